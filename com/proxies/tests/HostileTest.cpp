// Buffers that do not hold what the description says, on the stub's side (requests) and on the
// proxy's side (replies): each is refused with RPC_X_BAD_STUB_DATA, frees what it had read and calls
// nothing; a fixed-seed fuzz of mutated valid messages neither crashes nor leaks.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "LoopChannel.h"
#include "Recording.h"
#include "Support.h"

namespace {

const HRESULT kBad = HRESULT_FROM_WIN32(RPC_X_BAD_STUB_DATA);

// One library's proxy and stub joined by a loop channel, the stub serving a recording server.
class Rig {
 public:
  Rig(const char* library, REFIID iid) {
    module_ = LoadLibraryA(support::LibraryPath(library).c_str());
    auto get = reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(GetProcAddress(module_, "DllGetClassObject"));
    EXPECT_EQ(get(iid, IID_IPSFactoryBuffer, reinterpret_cast<void**>(&factory_)), S_OK);
    EXPECT_EQ(factory_->CreateStub(iid, static_cast<ITYGenericServices*>(&server), &stub_), S_OK);
    channel.SetStub(stub_);
    EXPECT_EQ(factory_->CreateProxy(nullptr, iid, &buffer_, reinterpret_cast<void**>(&itf_)), S_OK);
    buffer_->Connect(&channel);
  }
  ~Rig() {
    itf_->Release();
    buffer_->Release();
    stub_->Release();
    factory_->Release();
    EXPECT_EQ(server.refs.load(), 0u);
    FreeLibrary(module_);
  }
  template <class I>
  I* As() {
    return static_cast<I*>(itf_);
  }

  int calls = 0;
  rec::RecordingServer server{[this](const std::string&) { ++calls; }};
  LoopChannel channel;

 private:
  HMODULE module_;
  IPSFactoryBuffer* factory_ = nullptr;
  IRpcStubBuffer* stub_ = nullptr;
  IRpcProxyBuffer* buffer_ = nullptr;
  IUnknown* itf_ = nullptr;
};

// Little-endian wire bytes written by hand.
struct Wire {
  std::vector<unsigned char> b;
  Wire& Align(size_t a) {
    while (b.size() % a) b.push_back(0);
    return *this;
  }
  Wire& U16(uint16_t v) {
    Align(2);
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
    return *this;
  }
  Wire& U32(uint32_t v) {
    Align(4);
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
    return *this;
  }
  Wire& Raw(std::initializer_list<unsigned char> bytes) {
    b.insert(b.end(), bytes);
    return *this;
  }
  Wire& Mark() { return U32(0x72657355); }
  Wire& NullBstr() { return U32(0xFFFFFFFF).U32(0); }
  Wire& Variant(uint16_t vt) {  // the VARIANT's head; its value follows
    Align(8);
    U16(vt);
    return Raw({0, 0, 0, 0, 0, 0});
  }
};

// A VT_VARIANT array nesting arrays of VARIANTs `depth` deep.
void Nest(Wire& w, int depth) {
  w.U32(1).U32(VT_VARIANT).U32(1).U32(0).U32(1);
  if (depth == 0) {
    w.Variant(VT_EMPTY);
    return;
  }
  w.Variant(VT_ARRAY | VT_VARIANT);
  Nest(w, depth - 1);
}

struct Case {
  const char* what;
  ULONG method;
  std::vector<unsigned char> bytes;
  HRESULT expected = kBad;  // S_OK: a well-formed neighbour of the cases, showing the hand-made wire is right
};

std::vector<Case> AttrRequests() {
  auto setSource = [](Wire w) { return w.b; };
  Wire nest, shallow;
  nest.Mark();
  Nest(nest, 40);
  shallow.Mark();
  Nest(shallow, 10);
  return {
      {"well-formed BSTR", 3, setSource(Wire().Mark().U32(4).U32(2).Raw({'a', 0, 'b', 0})), S_OK},
      {"well-formed VARIANT array", 4,
       Wire().Mark().U32(1).U32(VT_VARIANT).U32(1).U32(0).U32(1).Variant(VT_ARRAY | VT_I4).U32(1).U32(VT_I4).U32(1).U32(
           0).U32(1).U32(5).b,
       S_OK},
      {"nesting within the limit", 4, shallow.b, S_OK},
      {"no bytes at all", 3, {}},
      {"not the mark of a user-marshalled value", 3, setSource(Wire().U32(0x12345678).NullBstr())},
      {"BSTR count beyond the buffer", 3, setSource(Wire().Mark().U32(2000).U32(1000).Raw({'a', 0, 'b', 0}))},
      {"odd BSTR byte length", 3, setSource(Wire().Mark().U32(3).U32(1).Raw({'a', 0}))},
      {"BSTR byte length and count disagree", 3, setSource(Wire().Mark().U32(4).U32(1).Raw({'a', 0}))},
      {"null BSTR with a count", 3, setSource(Wire().Mark().U32(0xFFFFFFFF).U32(1).Raw({'a', 0}))},
      {"trailing bytes", 3, setSource(Wire().Mark().NullBstr().Raw({0}))},
      {"unknown element type", 4, Wire().Mark().U32(1).U32(VT_DISPATCH).U32(1).U32(0).U32(1).U32(0).U32(0).b},
      {"unknown VARIANT type", 4,
       Wire().Mark().U32(1).U32(VT_VARIANT).U32(1).U32(0).U32(1).Variant(VT_DISPATCH).U32(0).b},
      {"VARIANT by reference", 4,
       Wire().Mark().U32(1).U32(VT_VARIANT).U32(1).U32(0).U32(1).Variant(VT_I4 | VT_BYREF).U32(0).b},
      {"VARIANT array of another element type", 4,
       Wire()
           .Mark()
           .U32(1)
           .U32(VT_VARIANT)
           .U32(1)
           .U32(0)
           .U32(1)
           .Variant(VT_ARRAY | VT_I4)
           .U32(1)
           .U32(VT_BSTR)
           .U32(1)
           .U32(0)
           .U32(1)
           .NullBstr()
           .b},
      {"absurd element count", 4, Wire().Mark().U32(1).U32(VT_I4).U32(0xFFFFFFFF).U32(0).U32(0xFFFFFFFF).U32(0).b},
      {"upper bound past a LONG", 4, Wire().Mark().U32(1).U32(VT_I4).U32(2).U32(0x7FFFFFFF).U32(2).U32(1).U32(2).b},
      {"dimension count beyond the buffer", 4, Wire().Mark().U32(0xFFFF).U32(VT_I4).U32(1).U32(0).b},
      {"elements overflowing 32 bits", 4,
       Wire().Mark().U32(2).U32(VT_UI1).U32(0x10000).U32(0).U32(0x10000).U32(0).U32(0).b},
      {"total disagreeing with the bounds", 4,
       Wire().Mark().U32(2).U32(VT_I4).U32(2).U32(0).U32(2).U32(0).U32(3).U32(1).U32(2).U32(3).b},
      {"elements beyond the buffer", 4,
       Wire().Mark().U32(1).U32(VT_R8).U32(100).U32(0).U32(100).Raw({1, 2, 3, 4, 5, 6, 7, 8}).b},
      {"nesting beyond the limit", 4, nest.b},
  };
}

std::vector<Case> SvcRequests() {
  auto context = [] { return Wire().Mark().NullBstr(); };  // the one-string record with a null BSTR
  auto bytesCall = [&](uint32_t n, uint32_t conformance, std::initializer_list<unsigned char> data) {
    return context().U32(n).U32(conformance).Raw(data).b;
  };
  // ProcessList: context, name, an item list with the given counts, flags
  auto listCall = [&](uint32_t nameCount, uint32_t namesId, uint16_t kind, std::function<void(Wire&)> deferred) {
    Wire w = context();
    w.Mark().NullBstr();
    w.U32(nameCount).U32(namesId).U32(0).U32(0).U32(0).U32(0).U32(1).U32(2).U16(kind);
    if (deferred) deferred(w);
    return w.U32(0).b;
  };
  return {
      {"well-formed bytes", 9, bytesCall(3, 3, {1, 2, 3}), S_OK},
      {"well-formed item list", 3,
       listCall(1, 0x20000, 7, [](Wire& w) { w.U32(1).Mark().U32(0).U32(0x20004).NullBstr().U32(0); }), S_OK},
      {"array count beyond the buffer", 9, bytesCall(1000, 1000, {1, 2, 3})},
      {"conformance disagreeing with its count", 9, bytesCall(2, 3, {1, 2, 3})},
      {"negative count", 9, bytesCall(0xFFFFFFFF, 0xFFFFFFFF, {1})},
      {"record array count beyond the buffer", 3, listCall(0x10000000, 0x20000, 0, [](Wire& w) { w.U32(0x10000000); })},
      {"record array conformance disagreeing with its count", 3,
       listCall(1, 0x20000, 0, [](Wire& w) { w.U32(2).Mark().U32(0).U32(0).Mark().U32(0).U32(0); })},
      {"enumeration above 32767", 3, listCall(0, 0, 0x8000, nullptr)},
      {"full pointer array truncated", 11, Wire().U32(1).Mark().NullBstr().U32(4).U32(0x20000).U32(4).Raw({1, 2}).b},
  };
}

TEST(HostileTest, StubRefusesEachMalformedRequest) {
  Rig svc("svcproxy", IID_ITYGenericServices);
  Rig attr("attrproxy", IID_ITYFetchAttributes);
  for (auto [rig, cases] : {std::pair{&svc, SvcRequests()}, std::pair{&attr, AttrRequests()}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      int before = rig->calls;
      EXPECT_EQ(rig->channel.Invoke(c.method, c.bytes, nullptr), c.expected);
      EXPECT_EQ(rig->calls, before + (c.expected == S_OK));  // a refused request calls nothing
    }
  }
}

// Valid requests and replies of every method, made by calling through the loop channel.
void CallEverything(ITYGenericServices* svc, ITYFetchAttributes* attr) {
  rec::Inputs in;
  int32_t n;
  BYTE* b;
  BSTR* t;
  TYResultEntry* r;
  SAFEARRAY* psa;
  BSTR* names = in.names.data();
  ASSERT_EQ(svc->ProcessList(in.context, in.embedded, in.rich, 1, &n, &b), S_OK);
  CoTaskMemFree(b);
  ASSERT_EQ(svc->ProcessNamedTypedList(in.context, 5, names, in.astral, TYEnum(3), 1, in.hollow, 2, 3, &n, &b), S_OK);
  CoTaskMemFree(b);
  ASSERT_EQ(svc->Query(in.context, 1, 3, in.queries.data(), &n, &r), S_OK);
  rec::FreeResults(n, r);
  ASSERT_EQ(svc->PutBytes(1, in.plain, 6, in.bytes.data(), &n, &b), S_OK);
  CoTaskMemFree(b);
  ASSERT_EQ(svc->ProcessNumerics(in.context, in.null, 3, in.numerics.data(), &n, &t), S_OK);
  rec::FreeTexts(n, t);
  ASSERT_EQ(svc->LookupNumericRange(in.context, names[0], names[1], names[2], names[3], 1, 2, names[4], names[0],
                                    names[1], names[2], names[3], in.numerics[0], 3, 4, &n, &t),
            S_OK);
  rec::FreeTexts(n, t);
  ASSERT_EQ(attr->SetSource(in.astral), S_OK);
  ASSERT_EQ(attr->CountAttributes(in.matrix, &n), S_OK);
  ASSERT_EQ(attr->FetchAttributes(in.variants, &psa), S_OK);
  SafeArrayDestroy(psa);
  ASSERT_EQ(attr->FetchNamed(5, names, &psa), S_OK);
  SafeArrayDestroy(psa);
}

TEST(HostileTest, StubRefusesEveryTruncatedRequest) {
  Rig svc("svcproxy", IID_ITYGenericServices);
  Rig attr("attrproxy", IID_ITYFetchAttributes);
  CallEverything(svc.As<ITYGenericServices>(), attr.As<ITYFetchAttributes>());
  for (Rig* rig : {&svc, &attr}) {
    int calls = rig->calls;
    for (const auto& x : rig->channel.history) {
      for (size_t len = 0; len < x.request.size(); ++len) {
        std::vector<unsigned char> cut(x.request.begin(), x.request.begin() + len);
        ASSERT_EQ(rig->channel.Invoke(x.method, cut, nullptr), kBad)
            << "method " << x.method << ", " << len << " of " << x.request.size() << " bytes";
      }
    }
    EXPECT_EQ(rig->calls, calls);
  }
}

// Calls a method whose reply the channel's hook may have replaced; checks that a refused reply leaves
// the [out] values zeroed, frees whatever they hold (a reply may carry a failing result beside
// values), and gives the call's result.
using Caller = std::function<HRESULT(Rig&)>;

HRESULT CallQuery(Rig& rig) {
  rec::Inputs in;
  int32_t n = 7;
  auto* r = reinterpret_cast<TYResultEntry*>(&n);
  HRESULT hr = rig.As<ITYGenericServices>()->Query(in.context, 1, 3, in.queries.data(), &n, &r);
  if (hr == kBad) {
    EXPECT_EQ(n, 0);
    EXPECT_EQ(r, nullptr);
  }
  rec::FreeResults(n, r);
  return hr;
}
HRESULT CallBytes(Rig& rig) {
  rec::Inputs in;
  int32_t n = 7;
  BYTE* b = reinterpret_cast<BYTE*>(&n);
  HRESULT hr = rig.As<ITYGenericServices>()->PutBytes(1, in.plain, 6, in.bytes.data(), &n, &b);
  if (hr == kBad) {
    EXPECT_EQ(n, 0);
    EXPECT_EQ(b, nullptr);
  }
  CoTaskMemFree(b);
  return hr;
}
HRESULT CallTexts(Rig& rig) {
  rec::Inputs in;
  int32_t n = 7;
  BSTR* t = reinterpret_cast<BSTR*>(&n);
  HRESULT hr = rig.As<ITYGenericServices>()->ProcessNumerics(in.context, in.null, 3, in.numerics.data(), &n, &t);
  if (hr == kBad) {
    EXPECT_EQ(n, 0);
    EXPECT_EQ(t, nullptr);
  }
  rec::FreeTexts(n, t);
  return hr;
}
HRESULT CallFetch(Rig& rig) {
  rec::Inputs in;
  SAFEARRAY* psa = in.vacant;
  HRESULT hr = rig.As<ITYFetchAttributes>()->FetchAttributes(in.variants, &psa);
  if (hr == kBad) {
    EXPECT_EQ(psa, nullptr);
  }
  SafeArrayDestroy(psa);
  return hr;
}
HRESULT CallCount(Rig& rig) {
  rec::Inputs in;
  int32_t n = 7;
  HRESULT hr = rig.As<ITYFetchAttributes>()->CountAttributes(in.matrix, &n);
  if (hr == kBad) {
    EXPECT_EQ(n, 0);
  }
  return hr;
}

struct ProxySide {
  const char* what;
  bool attr;
  Caller call;
};
const ProxySide kProxySides[] = {{"Query", false, CallQuery},
                                 {"PutBytes", false, CallBytes},
                                 {"ProcessNumerics", false, CallTexts},
                                 {"FetchAttributes", true, CallFetch},
                                 {"CountAttributes", true, CallCount}};

TEST(HostileTest, ProxyRefusesMalformedReplies) {
  Rig svc("svcproxy", IID_ITYGenericServices);
  Rig attr("attrproxy", IID_ITYFetchAttributes);
  struct ReplyCase {
    const char* what;
    Rig* rig;
    Caller call;
    std::vector<unsigned char> reply;
  } cases[] = {
      {"byte count beyond the buffer", &svc, CallBytes,
       Wire().U32(1000).U32(0x20000).U32(1000).Raw({1, 2, 3}).U32(0).b},
      {"byte conformance disagreeing with the count", &svc, CallBytes,
       Wire().U32(2).U32(0x20000).U32(3).Raw({1, 2, 3}).U32(0).b},
      {"result missing", &svc, CallBytes, Wire().U32(0).U32(0).b},
      {"trailing bytes", &svc, CallBytes, Wire().U32(0).U32(0).U32(0).Raw({0}).b},
      {"odd BSTR in the texts", &svc, CallTexts,
       Wire().U32(1).U32(0x20000).U32(1).Mark().Mark().U32(3).U32(1).Raw({'a', 0}).U32(0).b},
      {"overlong BSTR in the texts", &svc, CallTexts,
       Wire().U32(1).U32(0x20000).U32(1).Mark().Mark().U32(200).U32(100).U32(0).b},
      {"absurd SAFEARRAY bounds", &attr, CallFetch,
       Wire().Mark().U32(1).U32(VT_I4).U32(0xFFFFFFFF).U32(0).U32(0xFFFFFFFF).U32(0).b},
      {"unknown VARIANT type", &attr, CallFetch,
       Wire().Mark().U32(1).U32(VT_VARIANT).U32(1).U32(0).U32(1).Variant(77).U32(0).b},
      {"count cut short", &attr, CallCount, Wire().U16(0).b},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.what);
    c.rig->channel.replyHook = [&](std::vector<unsigned char>& reply) { reply = c.reply; };
    EXPECT_EQ(c.call(*c.rig), kBad);
  }

  // Every valid reply cut at every length.
  for (const ProxySide& p : kProxySides) {
    SCOPED_TRACE(p.what);
    Rig& rig = p.attr ? attr : svc;
    rig.channel.replyHook = nullptr;
    ASSERT_EQ(p.call(rig), S_OK);
    const std::vector<unsigned char> valid = rig.channel.history.back().reply;
    for (size_t len = 0; len < valid.size(); ++len) {
      rig.channel.replyHook = [&](std::vector<unsigned char>& reply) {
        reply.assign(valid.begin(), valid.begin() + len);
      };
      ASSERT_EQ(p.call(rig), kBad) << len << " of " << valid.size() << " bytes";
    }
    rig.channel.replyHook = nullptr;
  }
}

// Mutations of a valid message: bits flipped, longs replaced by edge values, cuts, insertions.
void Mutate(std::vector<unsigned char>& m, std::mt19937& rng) {
  auto pick = [&](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; };
  static const uint32_t kEdges[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x72657355};
  int steps = 1 + static_cast<int>(pick(3));
  for (int s = 0; s < steps && !m.empty(); ++s) {
    switch (pick(5)) {
      case 0:
        m[pick(m.size())] ^= static_cast<unsigned char>(1u << pick(8));
        break;
      case 1: {
        size_t at = pick(m.size() / 4) * 4;
        uint32_t v = pick(2) ? kEdges[pick(std::size(kEdges))] : static_cast<uint32_t>(rng());
        for (size_t i = 0; i < 4 && at + i < m.size(); ++i) m[at + i] = (v >> (8 * i)) & 0xFF;
        break;
      }
      case 2:
        m.resize(pick(m.size()));
        break;
      case 3:
        m.insert(m.begin() + pick(m.size()), static_cast<unsigned char>(rng()));
        break;
      default: {
        size_t from = pick(m.size()), len = pick(std::min<size_t>(16, m.size() - from) + 1);
        std::vector<unsigned char> piece(m.begin() + from, m.begin() + from + len);
        m.insert(m.begin() + pick(m.size()), piece.begin(), piece.end());
      }
    }
  }
}

TEST(HostileTest, FixedSeedFuzzOfMutatedMessages) {
  Rig svc("svcproxy", IID_ITYGenericServices);
  Rig attr("attrproxy", IID_ITYFetchAttributes);
  CallEverything(svc.As<ITYGenericServices>(), attr.As<ITYFetchAttributes>());
  std::mt19937 rng(20240611);
  int accepted = 0, refused = 0;

  // Requests, on the stub's side.
  for (int round = 0; round < 150; ++round) {
    for (Rig* rig : {&svc, &attr}) {
      for (const auto& x : std::vector<LoopChannel::Exchange>(rig->channel.history)) {
        std::vector<unsigned char> m = x.request;
        Mutate(m, rng);
        HRESULT hr = rig->channel.Invoke(x.method, m, nullptr);
        (SUCCEEDED(hr) ? accepted : refused)++;
      }
    }
  }
  // Replies, on the proxy's side.
  for (const ProxySide& p : kProxySides) {
    Rig& rig = p.attr ? attr : svc;
    rig.channel.replyHook = nullptr;
    ASSERT_EQ(p.call(rig), S_OK);
    const std::vector<unsigned char> valid = rig.channel.history.back().reply;
    rig.channel.replyHook = [&](std::vector<unsigned char>& reply) {
      reply = valid;
      Mutate(reply, rng);
    };
    for (int round = 0; round < 400; ++round) {
      HRESULT hr = p.call(rig);
      (hr == kBad ? refused : accepted)++;
    }
    rig.channel.replyHook = nullptr;
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(accepted, 0);
}

}  // namespace
