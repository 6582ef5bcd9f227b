// Every slot of both interfaces through the apartment channel and through a socket to a forked
// process, each side finding its proxy/stub library through the registry: what the server receives
// equals what was sent, what it gives back arrives allocated for the caller to free.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include <deque>
#include <memory>

#include "Recording.h"
#include "Support.h"
#include "comchannel.h"

namespace {

using rec::Array;
using rec::Call;
using rec::D;

enum class Via { Apartment, Socket };
enum Side { kSvc = 0, kAttr = 1 };

class RoundTripTest : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override {
    ASSERT_EQ(support::RunExport("svcproxy", "DllRegisterServer"), "0");
    ASSERT_EQ(support::RunExport("attrproxy", "DllRegisterServer"), "0");
    if (GetParam() == Via::Apartment) {
      apartment_ = std::make_unique<com::Apartment>();
      server_ = std::make_unique<rec::RecordingServer>([this](const std::string& r) { records_.push_back(r); });
      ASSERT_EQ(com::ConnectInApartment(*apartment_, static_cast<ITYGenericServices*>(server_.get()),
                                        IID_ITYGenericServices, reinterpret_cast<void**>(&svc_)),
                S_OK);
      ASSERT_EQ(com::ConnectInApartment(*apartment_, static_cast<ITYGenericServices*>(server_.get()),
                                        IID_ITYFetchAttributes, reinterpret_cast<void**>(&attr_)),
                S_OK);
    } else {
      Serve(kSvc, IID_ITYGenericServices, reinterpret_cast<void**>(&svc_));
      Serve(kAttr, IID_ITYFetchAttributes, reinterpret_cast<void**>(&attr_));
    }
    ASSERT_TRUE(svc_ && attr_);
  }

  void TearDown() override {
    if (svc_) svc_->Release();
    if (attr_) attr_->Release();
    for (int k : {kSvc, kAttr}) {
      if (child_[k] <= 0) continue;
      int status = 0;
      waitpid(child_[k], &status, 0);  // the server ends when its peer closes
      if (killed_[k]) {
        EXPECT_TRUE(WIFSIGNALED(status));
      } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
      }
      close(records_fd_[k]);
    }
    apartment_.reset();
    if (server_) {
      EXPECT_EQ(server_->refs.load(), 0u);
    }
  }

  // A forked process that serves a recording server on a socket; it writes what it records to a pipe.
  void Serve(Side k, REFIID iid, void** proxy) {
    int sv[2], rp[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    ASSERT_EQ(pipe(rp), 0);
    pid_t pid = fork();
    if (pid == 0) {
      for (int fd : parent_fds_) close(fd);
      close(sv[0]);
      close(rp[0]);
      rec::RecordingServer server([fd = rp[1]](const std::string& r) {
        uint32_t n = static_cast<uint32_t>(r.size());
        if (write(fd, &n, sizeof n) != sizeof n || write(fd, r.data(), n) != ssize_t(n)) _exit(3);
      });
      HRESULT hr = com::ServeOnSocket(sv[1], static_cast<ITYGenericServices*>(&server), iid);
#ifdef __SANITIZE_ADDRESS__
      if (__lsan_do_recoverable_leak_check()) _exit(4);  // what the server's side left behind
#endif
      _exit(hr == S_OK ? 0 : 1);
    }
    close(sv[1]);
    close(rp[1]);
    child_[k] = pid;
    records_fd_[k] = rp[0];
    parent_fds_.push_back(sv[0]);
    parent_fds_.push_back(rp[0]);
    ASSERT_EQ(com::ConnectToSocket(sv[0], iid, proxy), S_OK);
  }

  // What the server recorded of the last call on side k.
  std::string Record(Side k = kSvc) {
    if (GetParam() == Via::Apartment) {
      if (records_.empty()) return "<nothing>";
      std::string r = records_.front();
      records_.pop_front();
      return r;
    }
    uint32_t n;
    if (read(records_fd_[k], &n, sizeof n) != sizeof n) return "<nothing>";
    std::string r(n, '\0');
    size_t at = 0;
    while (at < n) {
      ssize_t got = read(records_fd_[k], r.data() + at, n - at);
      if (got <= 0) return "<cut>";
      at += static_cast<size_t>(got);
    }
    return r;
  }

  // A method with out bytes: the server received `call` and sent its text back.
  void ExpectBytes(const std::function<HRESULT(int32_t*, BYTE**)>& method, const std::string& call) {
    int32_t n = -1;
    BYTE* bytes = nullptr;
    EXPECT_EQ(method(&n, &bytes), S_OK);
    EXPECT_EQ(Record(), call);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(n)), call);
    CoTaskMemFree(bytes);
  }

  void ExpectTexts(const std::function<HRESULT(int32_t*, BSTR**)>& method, const std::string& call) {
    int32_t n = -1;
    BSTR* texts = nullptr;
    EXPECT_EQ(method(&n, &texts), S_OK);
    EXPECT_EQ(Record(), call);
    ASSERT_NE(texts, nullptr);
    std::vector<std::string> got;
    for (int32_t i = 0; i < n; ++i) got.push_back(D(texts[i]));
    EXPECT_EQ(got, rec::TextResults(call));
    rec::FreeTexts(n, texts);
  }

  support::PrivateRegistry registry_;
  std::unique_ptr<com::Apartment> apartment_;
  std::unique_ptr<rec::RecordingServer> server_;
  std::deque<std::string> records_;
  ITYGenericServices* svc_ = nullptr;
  ITYFetchAttributes* attr_ = nullptr;
  pid_t child_[2] = {0, 0};
  int records_fd_[2] = {-1, -1};
  bool killed_[2] = {false, false};
  std::vector<int> parent_fds_;
};

TEST_P(RoundTripTest, EverySlotOfGenericServices) {
  rec::Inputs in;
  const TYOneString ctx = in.context, nullCtx{nullptr};
  BSTR* names = in.names.data();
  int32_t n = -1;
  BYTE* b = nullptr;

  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->ProcessList(ctx, in.embedded, in.rich, 42, n, b); },
              Call(3, {D(ctx), D(in.embedded), D(in.rich), "42"}));
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->ProcessNamedList(ctx, 5, names, in.bare, -1, n, b); },
              Call(4, {D(ctx), "5", Array(5, names), D(in.bare), "-1"}));
  ExpectBytes(
      [&](int32_t* n, BYTE** b) {
        return svc_->ProcessTypedList(nullCtx, in.astral, in.null, TYEnum(32767), in.hollow, 1, 2, 3, n, b);
      },
      Call(5, {D(nullCtx), D(in.astral), "~", "e32767", D(in.hollow), "1", "2", "3"}));
  ExpectBytes(
      [&](int32_t* n, BYTE** b) {
        return svc_->ProcessNamedTypedList(ctx, 0, names, in.plain, TYEnum(0), 7, in.rich, 8, 9, n, b);
      },
      Call(6, {D(ctx), "0", "[]", D(in.plain), "e0", "7", D(in.rich), "8", "9"}));

  TYResultEntry* r = nullptr;
  ASSERT_EQ(svc_->Query(ctx, 1, 3, in.queries.data(), &n, &r), S_OK);
  std::string query = Call(7, {D(ctx), "1", "3", Array(3, in.queries.data())});
  EXPECT_EQ(Record(), query);
  ASSERT_EQ(n, 4);
  for (int i = 0; i < 3; ++i) {
    const TYQueryEntry& q = in.queries[i];
    EXPECT_EQ(D(r[i]), "R(" + D(q.text) + ",~," + D(q.first) + "," + rec::DText(u"") + "," + rec::DText(u"\U0001F600") +
                           "," + D(q.second) + "," + D(i) + "," + D(-i) + ")");
  }
  EXPECT_EQ(D(r[3].text1), rec::DText(rec::Wide(query)));
  rec::FreeResults(n, r);

  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->UpdateNamedList(ctx, 2, names + 3, in.null, in.rich, 0, n, b); },
              Call(8, {D(ctx), "2", Array(2, names + 3), "~", D(in.rich), "0"}));
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->ProcessBytes(ctx, 6, in.bytes.data(), n, b); },
              Call(9, {D(ctx), "6", rec::Bytes(6, in.bytes.data())}));
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->ProcessBytes(ctx, 0, in.bytes.data(), n, b); },
              Call(9, {D(ctx), "0", "X"}));

  EXPECT_EQ(svc_->Notify(5, in.embedded), S_OK);
  EXPECT_EQ(Record(), Call(10, {"5", D(in.embedded)}));

  // slot 11: a full pointer; null arrives null whatever the count says
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->PutBytes(1, in.plain, 0, nullptr, n, b); },
              Call(11, {"1", D(in.plain), "0", "~"}));
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->PutBytes(1, in.plain, 3, nullptr, n, b); },
              Call(11, {"1", D(in.plain), "3", "~"}));
  ExpectBytes([&](int32_t* n, BYTE** b) { return svc_->PutBytes(2, in.null, 6, in.bytes.data(), n, b); },
              Call(11, {"2", "~", "6", rec::Bytes(6, in.bytes.data())}));

  ExpectTexts([&](int32_t* n, BSTR** t) { return svc_->ProcessNumerics(ctx, in.plain, 3, in.numerics.data(), n, t); },
              Call(12, {D(ctx), D(in.plain), "3", Array(3, in.numerics.data())}));
  ExpectTexts(
      [&](int32_t* n, BSTR** t) {
        return svc_->Lookup3(ctx, in.null, in.empty, in.embedded, -1, 1, in.astral, in.plain, in.null, in.empty, n, t);
      },
      Call(13, {D(ctx), "~", D(in.empty), D(in.embedded), "-1", "1", D(in.astral), D(in.plain), "~", D(in.empty)}));
  BSTR s[5] = {in.plain, in.null, in.empty, in.embedded, in.astral};
  ExpectTexts(
      [&](int32_t* n, BSTR** t) {
        return svc_->Lookup4(ctx, s[0], s[1], s[2], s[3], 4, 5, s[4], s[3], s[2], s[1], s[0], n, t);
      },
      Call(14, {D(ctx), D(s[0]), "~", D(s[2]), D(s[3]), "4", "5", D(s[4]), D(s[3]), D(s[2]), "~", D(s[0])}));
  ExpectTexts([&](int32_t* n, BSTR** t) { return svc_->Lookup2(nullCtx, s[3], s[4], 6, n, t); },
              Call(15, {"S(~)", D(s[3]), D(s[4]), "6"}));
  const TYNumeric& num = in.numerics[0];
  ExpectTexts(
      [&](int32_t* n, BSTR** t) {
        return svc_->LookupNumeric(ctx, s[0], s[1], s[2], s[3], 7, 8, s[4], s[0], s[1], s[2], s[3], num, n, t);
      },
      Call(16, {D(ctx), D(s[0]), "~", D(s[2]), D(s[3]), "7", "8", D(s[4]), D(s[0]), "~", D(s[2]), D(s[3]), D(num)}));
  ExpectTexts(
      [&](int32_t* n, BSTR** t) {
        return svc_->LookupNumericRange(ctx, s[4], s[3], s[2], s[1], 9, 10, s[0], s[1], s[2], s[3], s[4],
                                        in.numerics[1], -100, 100, n, t);
      },
      Call(17, {D(ctx), D(s[4]), D(s[3]), D(s[2]), "~", "9", "10", D(s[0]), "~", D(s[2]), D(s[3]), D(s[4]),
                D(in.numerics[1]), "-100", "100"}));

  // A server's failure comes back unchanged, with the [out] values zeroed.
  n = 99;
  b = reinterpret_cast<BYTE*>(&n);
  EXPECT_EQ(svc_->ProcessList(ctx, in.plain, in.bare, rec::kFailCode, &n, &b), rec::kServerFailure);
  EXPECT_EQ(Record(), Call(3, {D(ctx), D(in.plain), D(in.bare), D(rec::kFailCode)}));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(svc_->Notify(rec::kFailCode, in.null), rec::kServerFailure);
  EXPECT_EQ(Record(), Call(10, {D(rec::kFailCode), "~"}));
}

TEST_P(RoundTripTest, EverySlotOfFetchAttributes) {
  rec::Inputs in;
  for (BSTR s : {in.null, in.embedded, in.astral}) {
    EXPECT_EQ(attr_->SetSource(s), S_OK);
    EXPECT_EQ(Record(kAttr), Call(3, {D(s)}));
  }
  BSTR fail = SysAllocString(u"fail");
  EXPECT_EQ(attr_->SetSource(fail), rec::kServerFailure);
  EXPECT_EQ(Record(kAttr), Call(3, {D(fail)}));
  SysFreeString(fail);

  LONG last = 0;
  SafeArrayGetUBound(in.variants, 1, &last);
  struct Keys {
    SAFEARRAY* psa;
    int32_t count;
  } keys[] = {{in.variants, last + 1}, {in.matrix, 6}, {in.doubles, 4}, {in.vacant, 0}, {nullptr, -1}};
  for (const Keys& k : keys) {
    SCOPED_TRACE(D(k.psa).substr(0, 40));
    int32_t n = 99;
    EXPECT_EQ(attr_->CountAttributes(k.psa, &n), S_OK);
    EXPECT_EQ(Record(kAttr), Call(4, {D(k.psa)}));
    EXPECT_EQ(n, k.count);

    SAFEARRAY* back = reinterpret_cast<SAFEARRAY*>(&n);
    EXPECT_EQ(attr_->FetchAttributes(k.psa, &back), S_OK);
    EXPECT_EQ(Record(kAttr), Call(5, {D(k.psa)}));
    EXPECT_EQ(D(back), D(k.psa));  // the server's copy, made by the callee, destroyed by the caller
    EXPECT_TRUE(back != k.psa || !back);
    SafeArrayDestroy(back);
  }

  SAFEARRAY* back = nullptr;
  EXPECT_EQ(attr_->FetchNamed(5, in.names.data(), &back), S_OK);
  EXPECT_EQ(Record(kAttr), Call(6, {"5", Array(5, in.names.data())}));
  SAFEARRAY* expected = SafeArrayCreateVector(VT_BSTR, 0, 5);
  for (LONG i = 0; i < 5; ++i) SafeArrayPutElement(expected, &i, in.names[i]);
  EXPECT_EQ(D(back), D(expected));
  SafeArrayDestroy(expected);
  SafeArrayDestroy(back);
}

// Only a process can be killed.
class ForkedServerTest : public RoundTripTest {};

TEST_P(ForkedServerTest, ServerKilledMidCallGivesAFailure) {
  killed_[kSvc] = true;
  HRESULT hr = svc_->Notify(rec::kDieCode, nullptr);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(RPC_S_CALL_FAILED));
  EXPECT_EQ(Record(), Call(10, {D(rec::kDieCode), "~"}));  // it was inside the call
  int32_t n = 5;
  BYTE* b = reinterpret_cast<BYTE*>(&n);
  rec::Inputs in;
  EXPECT_EQ(svc_->ProcessBytes(in.context, 0, in.bytes.data(), &n, &b), HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(attr_->SetSource(nullptr), S_OK);  // the other process still serves
  EXPECT_EQ(Record(kAttr), Call(3, {"~"}));
}

INSTANTIATE_TEST_SUITE_P(Socket, ForkedServerTest, ::testing::Values(Via::Socket),
                         [](const ::testing::TestParamInfo<Via>&) { return "ForkedProcess"; });
INSTANTIATE_TEST_SUITE_P(Channels, RoundTripTest, ::testing::Values(Via::Apartment, Via::Socket),
                         [](const ::testing::TestParamInfo<Via>& i) {
                           return i.param == Via::Apartment ? "Apartment" : "ForkedProcess";
                         });

}  // namespace

namespace {

TEST(ConnectTest, LookupFailuresAndAnEndedApartment) {
  support::PrivateRegistry registry;
  com::Apartment apartment;
  rec::RecordingServer server([](const std::string&) {});
  IUnknown* object = static_cast<ITYGenericServices*>(&server);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(com::ConnectInApartment(apartment, object, IID_ITYGenericServices, &p), REGDB_E_IIDNOTREG);
  EXPECT_EQ(p, nullptr);

  // The interface names a class that is not there.
  ASSERT_EQ(support::RunExport("svcproxy", "DllRegisterServer"), "0");
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5}\\InprocServer32"),
            ERROR_SUCCESS);
  EXPECT_EQ(com::ConnectInApartment(apartment, object, IID_ITYGenericServices, &p), REGDB_E_CLASSNOTREG);
  ASSERT_EQ(support::RunExport("svcproxy", "DllRegisterServer"), "0");

  auto ended = std::make_unique<com::Apartment>();
  ITYGenericServices* svc = nullptr;
  ASSERT_EQ(com::ConnectInApartment(*ended, object, IID_ITYGenericServices, reinterpret_cast<void**>(&svc)), S_OK);
  EXPECT_EQ(svc->Notify(1, nullptr), S_OK);
  ended.reset();  // releases the stub, and with it the server
  EXPECT_EQ(server.refs.load(), 0u);
  EXPECT_EQ(svc->Notify(1, nullptr), RPC_E_DISCONNECTED);
  svc->Release();
}

}  // namespace
