// The NDR engine and the proxy/stub framework on a small interface of the test's own: the wire it
// writes, full pointers, and what the caller's side refuses before anything is sent.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "LoopChannel.h"
#include "rpcproxy.h"

namespace {

const IID IID_ITest = {0x0badc0de, 0x1234, 0x4321, {1, 2, 3, 4, 5, 6, 7, 8}};

enum TEnum : int {};
struct TPair {
  int32_t n;
  BYTE* data;
};

class ITest : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Twice(int32_t n, BYTE* a, BYTE* b) = 0;  // both full pointers
  virtual HRESULT STDMETHODCALLTYPE Shapes(TPair pair, BSTR s, TEnum e, int32_t* outN, BYTE** outData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Named(int32_t n, BSTR* names) = 0;
};

// ---- the description ----
enum : uint16_t {
  T_LONG, T_BYTE, T_BSTR, T_ENUM,
  T_FP_A, T_ARR_A, T_FP_B, T_ARR_B,
  T_PAIR, M_PAIR_N, M_PAIR_DATA, T_PAIR_DATA, T_PAIR_ARRAY,
  T_OUT_N, T_OUT_DATA, T_OUT_DATA_PTR, T_OUT_DATA_ARRAY,
  T_NAMES, T_NAMES_ARRAY, T_COUNT
};
constexpr NDR_TYPE kTypes[] = {
    {FC_LONG, 0, 4, 0, 0},
    {FC_BYTE, 0, 1, 0, 0},
    {FC_USER_MARSHAL, 0, sizeof(BSTR), 0, 0},
    {FC_ENUM16, 0, sizeof(TEnum), 0, 0},
    {FC_FP, 0, 0, T_ARR_A, 0},
    {FC_CARRAY, NDR_CORR_PARAM, 1, T_BYTE, 1},
    {FC_FP, 0, 0, T_ARR_B, 0},
    {FC_CARRAY, NDR_CORR_PARAM, 1, T_BYTE, 2},
    {FC_STRUCT, 0, sizeof(TPair), 2, 0},
    {FC_MEMBER, 0, offsetof(TPair, n), T_LONG, 0},
    {FC_MEMBER, 0, offsetof(TPair, data), T_PAIR_DATA, 0},
    {FC_UP, 0, 0, T_PAIR_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, 1, T_BYTE, offsetof(TPair, n)},
    {FC_RP, 0, 0, T_LONG, 0},
    {FC_RP, 0, 0, T_OUT_DATA_PTR, 0},
    {FC_UP, 0, 0, T_OUT_DATA_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM_DEREF, 1, T_BYTE, 1},
    {FC_RP, 0, 0, T_NAMES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, sizeof(BSTR), T_BSTR, 1},
};
static_assert(sizeof kTypes / sizeof kTypes[0] == T_COUNT);
const USER_MARSHAL_ROUTINE_QUADRUPLE kRoutines[] = {NDR_USER_MARSHAL_ROUTINES(BSTR)};
const MIDL_STUB_DESC kStubDesc = {kTypes, T_COUNT, kRoutines, 1, NDR_ENGINE_VERSION};
constexpr NDR_PARAM kProcs[] = {
    {NDR_PROC_HEADER, 3}, {NDR_IN, T_LONG}, {NDR_IN, T_FP_A}, {NDR_IN, T_FP_B},
    {NDR_PROC_HEADER, 5}, {NDR_IN, T_PAIR}, {NDR_IN, T_BSTR}, {NDR_IN, T_ENUM}, {NDR_OUT, T_OUT_N},
    {NDR_OUT, T_OUT_DATA},
    {NDR_PROC_HEADER, 2}, {NDR_IN, T_LONG}, {NDR_IN, T_NAMES},
};
constexpr unsigned short kOffsets[] = {NDR_NO_PROC, NDR_NO_PROC, NDR_NO_PROC, 0, 4, 10};
static_assert(NdrProcOffsetsValid(kProcs, sizeof kProcs / sizeof kProcs[0], kOffsets, 6));

class TestProxy final : public NdrProxyOf<ITest> {
 public:
  HRESULT STDMETHODCALLTYPE Twice(int32_t n, BYTE* a, BYTE* b) override { return Forward(3, n, a, b); }
  HRESULT STDMETHODCALLTYPE Shapes(TPair pair, BSTR s, TEnum e, int32_t* outN, BYTE** outData) override {
    return Forward(4, pair, s, e, outN, outData);
  }
  HRESULT STDMETHODCALLTYPE Named(int32_t n, BSTR* names) override { return Forward(5, n, names); }
};

constexpr uint8_t kSlots[] = {NDR_SLOT_QUERYINTERFACE, NDR_SLOT_ADDREF, NDR_SLOT_RELEASE,
                              NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS};
const MIDL_STUBLESS_PROXY_INFO kProxyInfo = {&kStubDesc, kProcs, kOffsets};
const CInterfaceProxyVtbl kProxyVtbl = {&kProxyInfo, &IID_ITest, &NdrCreateProxy<TestProxy>, 6, kSlots};
const NDR_STUB_THUNK kDispatch[] = {nullptr, nullptr, nullptr, NdrStubThunk<&ITest::Twice>,
                                    NdrStubThunk<&ITest::Shapes>, NdrStubThunk<&ITest::Named>};
const MIDL_SERVER_INFO kServerInfo = {&kStubDesc, kDispatch, kProcs, kOffsets};

CStdPSFactoryBuffer gFactory;
ULONG StubRelease(IRpcStubBuffer* stub) { return NdrCStdStubBuffer_Release(stub, &gFactory); }
int Lookup(const IID* iid, int* index) {
  if (std::memcmp(iid, &IID_ITest, sizeof(IID)) != 0) return 0;
  *index = 0;
  return 1;
}
const CInterfaceProxyVtbl* const kProxyList[] = {&kProxyVtbl, nullptr};
const CInterfaceStubVtbl kStubVtbl = {&IID_ITest, &kServerInfo, 6, &StubRelease};
const CInterfaceStubVtbl* const kStubList[] = {&kStubVtbl, nullptr};
const char* const kNames[] = {"ITest", nullptr};
const ProxyFileInfo kFile = {kProxyList, kStubList, kNames, &Lookup, 1, 2};
const ProxyFileInfo* const kFiles[] = {&kFile, nullptr};

// ---- the server ----
class Server final : public ITest {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_ITest) {
      *ppv = static_cast<ITest*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }

  HRESULT STDMETHODCALLTYPE Twice(int32_t n, BYTE* a, BYTE* b) override {
    ++calls;
    sameReferent = a == b;
    bytes = a ? std::vector<BYTE>(a, a + n) : std::vector<BYTE>{};
    nullA = a == nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Shapes(TPair pair, BSTR s, TEnum e, int32_t* outN, BYTE** outData) override {
    ++calls;
    bytes.assign(pair.data, pair.data + pair.n);
    text = std::u16string(s, SysStringLen(s));
    kind = e;
    *outN = 3;
    *outData = static_cast<BYTE*>(CoTaskMemAlloc(3));
    for (int i = 0; i < 3; ++i) (*outData)[i] = static_cast<BYTE>(i + 1);
    return result;
  }
  HRESULT STDMETHODCALLTYPE Named(int32_t, BSTR*) override {
    ++calls;
    return S_OK;
  }

  ULONG refs = 0;
  int calls = 0;
  bool sameReferent = false, nullA = false;
  std::vector<BYTE> bytes;
  std::u16string text;
  int kind = -1;
  HRESULT result = S_OK;
};

class NdrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(NdrDllGetClassObject(IID_ITest, IID_IPSFactoryBuffer, reinterpret_cast<void**>(&factory_), kFiles,
                                   &IID_ITest, &gFactory),
              S_OK);
    ASSERT_EQ(factory_->CreateStub(IID_ITest, &server_, &stub_), S_OK);
    channel_.SetStub(stub_);
    ASSERT_EQ(factory_->CreateProxy(nullptr, IID_ITest, &buffer_, reinterpret_cast<void**>(&proxy_)), S_OK);
    ASSERT_EQ(buffer_->Connect(&channel_), S_OK);
  }
  void TearDown() override {
    proxy_->Release();
    buffer_->Release();
    stub_->Release();
    factory_->Release();
    EXPECT_EQ(NdrDllCanUnloadNow(&gFactory), S_OK);
    EXPECT_EQ(server_.refs, 0u);
  }

  Server server_;
  LoopChannel channel_;
  IPSFactoryBuffer* factory_ = nullptr;
  IRpcStubBuffer* stub_ = nullptr;
  IRpcProxyBuffer* buffer_ = nullptr;
  ITest* proxy_ = nullptr;
};

TEST_F(NdrTest, StructureStringAndEnumOnTheWire) {
  BYTE data[] = {7, 8};
  TPair pair{2, data};
  BSTR s = SysAllocString(u"A");
  int32_t n = -1;
  BYTE* out = nullptr;
  ASSERT_EQ(proxy_->Shapes(pair, s, TEnum(3), &n, &out), S_OK);
  SysFreeString(s);

  const std::vector<unsigned char> wire = {
      2, 0, 0, 0, 0, 0, 2, 0,                        // the structure: count, referent id
      2, 0, 0, 0, 7, 8, 0, 0,                        // its referent: conformance, elements; padding
      0x55, 0x73, 0x65, 0x72,                        // the BSTR's mark, then its body:
      2, 0, 0, 0, 1, 0, 0, 0, 0x41, 0,               // byte length, unit count, units
      3, 0};                                         // the enumeration, 16 bits
  EXPECT_EQ(channel_.lastRequest, wire);
  EXPECT_EQ(server_.bytes, std::vector<BYTE>({7, 8}));
  EXPECT_EQ(server_.text, u"A");
  EXPECT_EQ(server_.kind, 3);
  ASSERT_EQ(n, 3);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out[0] + out[1] + out[2], 6);
  CoTaskMemFree(out);
}

TEST_F(NdrTest, FullPointerNamedTwiceIsSentOnce) {
  BYTE data[] = {5, 6, 7};
  ASSERT_EQ(proxy_->Twice(3, data, data), S_OK);
  const std::vector<unsigned char> wire = {3, 0, 0, 0,                                // n
                                           0, 0, 2, 0, 3, 0, 0, 0, 5, 6, 7, 0,        // a: id, referent
                                           0, 0, 2, 0};                               // b: the same id
  EXPECT_EQ(channel_.lastRequest, wire);
  EXPECT_TRUE(server_.sameReferent);
  EXPECT_EQ(server_.bytes, std::vector<BYTE>({5, 6, 7}));

  // Null with a count that is not 0: nothing is read through it, null arrives.
  ASSERT_EQ(proxy_->Twice(3, nullptr, nullptr), S_OK);
  EXPECT_EQ(channel_.lastRequest, std::vector<unsigned char>({3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(server_.nullA);
}

TEST_F(NdrTest, CallerSideRefusalsSendNothing) {
  BYTE data[] = {1};
  int32_t n = 9;
  BYTE* out = reinterpret_cast<BYTE*>(&n);
  BSTR s = SysAllocString(u"x");
  struct Case {
    const char* what;
    TPair pair;
    int kind;
    bool nullOut;
    HRESULT expected;
  } cases[] = {
      {"negative count", {-1, data}, 0, false, HRESULT_FROM_WIN32(RPC_X_INVALID_BOUND)},
      {"enumeration below 0", {1, data}, -1, false, HRESULT_FROM_WIN32(RPC_X_ENUM_VALUE_OUT_OF_RANGE)},
      {"enumeration past 32767", {1, data}, 32768, false, HRESULT_FROM_WIN32(RPC_X_ENUM_VALUE_OUT_OF_RANGE)},
      {"null [out] pointer", {1, data}, 0, true, HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    n = 9;
    out = reinterpret_cast<BYTE*>(&n);
    EXPECT_EQ(proxy_->Shapes(c.pair, s, TEnum(c.kind), c.nullOut ? nullptr : &n, &out), c.expected);
    if (!c.nullOut) {
      EXPECT_EQ(n, 0);  // [out] values are zeroed
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(proxy_->Named(2, nullptr), HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER));
  EXPECT_EQ(channel_.sends, 0);
  EXPECT_EQ(server_.calls, 0);
  SysFreeString(s);
}

TEST_F(NdrTest, StubRefusesWhatDisagreesWithTheDescription) {
  BYTE data[] = {7, 8};
  BSTR s = SysAllocString(u"A");
  int32_t n;
  BYTE* out;
  ASSERT_EQ(proxy_->Shapes(TPair{2, data}, s, TEnum(3), &n, &out), S_OK);
  CoTaskMemFree(out);
  SysFreeString(s);
  const std::vector<unsigned char> good = channel_.lastRequest;
  int before = server_.calls;

  auto count3 = good;
  count3[0] = 3;  // the structure's count no longer matches its array's conformance
  auto trailing = good;
  trailing.push_back(0);
  auto mark = good;
  mark[16] = 0;  // not the mark of a user-marshalled value
  auto enumOver = good;
  enumOver[30] = 0xFF;
  enumOver[31] = 0xFF;
  for (const auto& request : {count3, trailing, mark, enumOver})
    EXPECT_EQ(channel_.Invoke(4, request, nullptr), HRESULT_FROM_WIN32(RPC_X_BAD_STUB_DATA));
  for (ULONG method : {0u, 2u, 6u, 1000u})
    EXPECT_EQ(channel_.Invoke(method, good, nullptr), HRESULT_FROM_WIN32(RPC_S_PROCNUM_OUT_OF_RANGE));
  EXPECT_EQ(server_.calls, before);

  std::vector<unsigned char> reply;
  server_.result = static_cast<HRESULT>(0x80040777);
  EXPECT_EQ(channel_.Invoke(4, good, &reply), S_OK);  // the call went through; its result travels last
  ASSERT_GE(reply.size(), 4u);
  EXPECT_EQ(std::vector<unsigned char>(reply.end() - 4, reply.end()),
            std::vector<unsigned char>({0x77, 0x07, 0x04, 0x80}));
}

TEST_F(NdrTest, FactoryRefusesOtherInterfaces) {
  IID other = IID_ITest;
  other.Data4[7] ^= 1;
  IRpcProxyBuffer* b = nullptr;
  void* itf = nullptr;
  EXPECT_EQ(factory_->CreateProxy(nullptr, other, &b, &itf), E_NOINTERFACE);
  EXPECT_EQ(b, nullptr);
  IRpcStubBuffer* s = nullptr;
  EXPECT_EQ(factory_->CreateStub(other, &server_, &s), E_NOINTERFACE);
  EXPECT_EQ(s, nullptr);
  void* f = nullptr;
  EXPECT_EQ(NdrDllGetClassObject(other, IID_IPSFactoryBuffer, &f, kFiles, &IID_ITest, &gFactory),
            CLASS_E_CLASSNOTAVAILABLE);
}

}  // namespace
