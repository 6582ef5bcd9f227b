// Calls through the COM proxy/stub libraries: ProcessList (slot 3 of ITYGenericServices) with an item
// list of 100 entries of each kind and FetchAttributes (slot 5 of ITYFetchAttributes) with a SAFEARRAY
// of 1,000 VARIANTs each way, through the apartment channel and through a socket to a forked process,
// beside a direct call on the object. Ends with a table of the costs per call, their ratios to the
// direct call (wall and CPU, the serving process's CPU included) and the peak memory; see README.md.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ITYFetchAttributes.h"
#include "bench_child.h"
#include "ITYGenericServices.h"
#include "comchannel.h"

namespace {

constexpr int kEntries = 100;     // of each kind in the item list
constexpr int kVariants = 1000;   // in the SAFEARRAY, each way
constexpr int kSummaryCalls[2] = {2000, 1000};

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "com_bench: %s\n", what.c_str());
  std::exit(2);
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Die(std::string(what) + " failed: " + std::to_string(static_cast<uint32_t>(hr)));
}

// ---- the object: what a callee does in either method ----
class BenchServer final : public ITYGenericServices, public ITYFetchAttributes {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_ITYGenericServices) {
      *ppv = static_cast<ITYGenericServices*>(this);
    } else if (riid == IID_ITYFetchAttributes) {
      *ppv = static_cast<ITYFetchAttributes*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE ProcessList(TYOneString, BSTR, TYItemList list, int32_t flags, int32_t* count,
                                        BYTE** bytes) override {
    int32_t sum = flags + list.nameCount + list.valueCount + list.numericCount;
    for (int32_t i = 0; i < list.valueCount; ++i) sum += list.values[i].count;
    *count = 16;
    *bytes = static_cast<BYTE*>(CoTaskMemAlloc(16));
    std::memset(*bytes, 0, 16);
    std::memcpy(*bytes, &sum, sizeof sum);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FetchAttributes(SAFEARRAY* keys, SAFEARRAY** values) override {
    VARIANT from, to;
    from.vt = VT_ARRAY | VT_VARIANT;
    from.parray = keys;
    VariantInit(&to);
    HRESULT hr = VariantCopy(&to, &from);
    *values = SUCCEEDED(hr) ? to.parray : nullptr;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE ProcessNamedList(TYOneString, int32_t, BSTR*, TYItemList, int32_t, int32_t*,
                                             BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessTypedList(TYOneString, BSTR, BSTR, TYEnum, TYItemList, int32_t, int32_t, int32_t,
                                             int32_t*, BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessNamedTypedList(TYOneString, int32_t, BSTR*, BSTR, TYEnum, int32_t, TYItemList,
                                                  int32_t, int32_t, int32_t*, BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Query(TYOneString, int32_t, int32_t, TYQueryEntry*, int32_t*,
                                  TYResultEntry**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UpdateNamedList(TYOneString, int32_t, BSTR*, BSTR, TYItemList, int32_t, int32_t*,
                                            BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessBytes(TYOneString, int32_t, BYTE*, int32_t*, BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Notify(int32_t, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PutBytes(int32_t, BSTR, int32_t, BYTE*, int32_t*, BYTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessNumerics(TYOneString, BSTR, int32_t, TYNumeric*, int32_t*, BSTR**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Lookup3(TYOneString, BSTR, BSTR, BSTR, int32_t, int32_t, BSTR, BSTR, BSTR, BSTR, int32_t*,
                                    BSTR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Lookup4(TYOneString, BSTR, BSTR, BSTR, BSTR, int32_t, int32_t, BSTR, BSTR, BSTR, BSTR, BSTR,
                                    int32_t*, BSTR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Lookup2(TYOneString, BSTR, BSTR, int32_t, int32_t*, BSTR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LookupNumeric(TYOneString, BSTR, BSTR, BSTR, BSTR, int32_t, int32_t, BSTR, BSTR, BSTR, BSTR,
                                          BSTR, TYNumeric, int32_t*, BSTR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LookupNumericRange(TYOneString, BSTR, BSTR, BSTR, BSTR, int32_t, int32_t, BSTR, BSTR, BSTR,
                                               BSTR, BSTR, TYNumeric, int32_t, int32_t, int32_t*,
                                               BSTR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSource(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CountAttributes(SAFEARRAY*, int32_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FetchNamed(int32_t, BSTR*, SAFEARRAY**) override { return E_NOTIMPL; }
};

// ---- what is sent ----
struct Payload {
  std::vector<BSTR> strings;
  std::vector<std::vector<BSTR>> nameValues;
  std::vector<std::vector<VARIANT>> valueValues;
  std::vector<TYNameEntry> names;
  std::vector<TYValueEntry> values;
  std::vector<TYNumeric> numerics;
  TYItemList list{};
  TYOneString context{};
  BSTR name;
  SAFEARRAY* keys;

  BSTR Text(const std::string& s) {
    std::u16string w(s.begin(), s.end());
    strings.push_back(SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
    return strings.back();
  }

  Payload() {
    context.text = Text("bench context");
    name = Text("ProcessList");
    for (int i = 0; i < kEntries; ++i) {
      nameValues.push_back({Text("first value " + std::to_string(i)), Text("second value " + std::to_string(i))});
      VARIANT a{}, b{};
      a.vt = VT_I4;
      a.lVal = i;
      b.vt = VT_BSTR;
      b.bstrVal = SysAllocString(u"a text value");
      valueValues.push_back({a, b});
    }
    for (int i = 0; i < kEntries; ++i) {
      names.push_back({Text("name " + std::to_string(i)), 2, nameValues[i].data()});
      values.push_back({Text("value " + std::to_string(i)), Text("text"), TYEnum(i % 7), 2, valueValues[i].data()});
      numerics.push_back({{i * 1.0, i * 2.0, i * 3.0, 4, 5, 6, 7}, TYEnum(1)});
    }
    list = {kEntries, names.data(), kEntries, values.data(), kEntries, numerics.data(), 1, 2, TYEnum(3)};

    keys = SafeArrayCreateVector(VT_VARIANT, 0, kVariants);
    for (LONG i = 0; i < kVariants; ++i) {
      VARIANT v{};
      switch (i % 4) {
        case 0: v.vt = VT_I4; v.lVal = i; break;
        case 1: v.vt = VT_R8; v.dblVal = i * 0.5; break;
        case 2: v.vt = VT_DATE; v.date = 45000 + i; break;
        default: v.vt = VT_BSTR; v.bstrVal = SysAllocString(u"attribute value"); break;
      }
      SafeArrayPutElement(keys, &i, &v);
      VariantClear(&v);
    }
  }
  ~Payload() {
    for (auto& vs : valueValues)
      for (VARIANT& v : vs) VariantClear(&v);
    for (BSTR s : strings) SysFreeString(s);
    SafeArrayDestroy(keys);
  }
};

// ---- one way of calling ----
enum Channel { kDirect, kApartment, kSocket };
const char* const kChannelNames[] = {"direct", "apartment", "socket"};

class Session {
 public:
  explicit Session(Channel channel) {
    if (channel == kDirect) {
      svc_ = &server_;
      attr_ = &server_;
      return;
    }
    if (channel == kApartment) {
      apartment_ = std::make_unique<com::Apartment>();
      Check(com::ConnectInApartment(*apartment_, static_cast<ITYGenericServices*>(&server_), IID_ITYGenericServices,
                                    reinterpret_cast<void**>(&svc_)),
            "ConnectInApartment");
      Check(com::ConnectInApartment(*apartment_, static_cast<ITYGenericServices*>(&server_), IID_ITYFetchAttributes,
                                    reinterpret_cast<void**>(&attr_)),
            "ConnectInApartment");
      proxies_ = true;
      return;
    }
    svc_ = Serve<ITYGenericServices>(IID_ITYGenericServices);
    attr_ = Serve<ITYFetchAttributes>(IID_ITYFetchAttributes);
    proxies_ = true;
  }

  ~Session() {
    if (proxies_) {
      svc_->Release();
      attr_->Release();
    }
    for (pid_t pid : servers_) waitpid(pid, nullptr, 0);
    apartment_.reset();
  }

  ITYGenericServices* svc() { return svc_; }
  ITYFetchAttributes* attr() { return attr_; }

  // CPU seconds and peak resident kB of the serving processes so far.
  double ServerCpu() const {
    double s = 0;
    for (pid_t pid : servers_) {
      std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
      if (!f) continue;
      char buf[1024] = {};
      size_t n = std::fread(buf, 1, sizeof buf - 1, f);
      std::fclose(f);
      const char* p = std::strrchr(buf, ')');
      unsigned long ut = 0, st = 0;
      if (n && p && std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &ut, &st) == 2)
        s += static_cast<double>(ut + st) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return s;
  }
  long ServerPeak() const {
    long total = 0;
    for (pid_t pid : servers_) total += bench::PeakKb("/proc/" + std::to_string(pid) + "/status");
    return total;
  }

 private:
  template <class I>
  I* Serve(REFIID iid) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) Die("socketpair");
    pid_t pid = fork();
    if (pid == 0) {
      for (int fd : parentFds_) close(fd);
      close(sv[0]);
      HRESULT hr = com::ServeOnSocket(sv[1], static_cast<ITYGenericServices*>(&server_), iid);
      _exit(hr == S_OK ? 0 : 1);
    }
    close(sv[1]);
    servers_.push_back(pid);
    parentFds_.push_back(sv[0]);
    I* p = nullptr;
    Check(com::ConnectToSocket(sv[0], iid, reinterpret_cast<void**>(&p)), "ConnectToSocket");
    return p;
  }

  BenchServer server_;
  std::unique_ptr<com::Apartment> apartment_;
  ITYGenericServices* svc_ = nullptr;
  ITYFetchAttributes* attr_ = nullptr;
  bool proxies_ = false;
  std::vector<pid_t> servers_;
  std::vector<int> parentFds_;
};

// ---- the two calls ----
enum Method { kProcessList, kFetchAttributes };
const char* const kMethodNames[] = {"ProcessList", "FetchAttributes"};

void CallOnce(Method m, Session& s, Payload& p) {
  if (m == kProcessList) {
    int32_t n = 0;
    BYTE* bytes = nullptr;
    Check(s.svc()->ProcessList(p.context, p.name, p.list, 0, &n, &bytes), "ProcessList");
    benchmark::DoNotOptimize(bytes);
    CoTaskMemFree(bytes);
  } else {
    SAFEARRAY* values = nullptr;
    Check(s.attr()->FetchAttributes(p.keys, &values), "FetchAttributes");
    benchmark::DoNotOptimize(values);
    SafeArrayDestroy(values);
  }
}

void BM_Call(benchmark::State& state, Method m, Channel c) {
  Payload payload;
  Session session(c);
  for (auto _ : state) CallOnce(m, session, payload);
  state.counters["calls/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// ---- the summary: each case in a process of its own, for its peak memory ----
std::string g_self;

struct Measure {
  double wall = 0, cpu = 0;  // per call, seconds
  long peakKb = 0;           // the caller's process plus the serving processes
};

using bench::CpuSeconds;

int Child(Method m, Channel c, int calls) {
  Payload payload;
  Session session(c);
  CallOnce(m, session, payload);  // warm
  double cpu0 = CpuSeconds() + session.ServerCpu();
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) CallOnce(m, session, payload);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  double cpu = CpuSeconds() + session.ServerCpu() - cpu0;
  long peak = bench::PeakKb() + session.ServerPeak();
  std::printf("%.9f %.9f %ld\n", wall / calls, cpu / calls, peak);
  return 0;
}

Measure RunChild(Method m, Channel c) {
  std::string out = bench::RunProgram(g_self, {"--child", std::to_string(m), std::to_string(c),
                                               std::to_string(kSummaryCalls[m])});
  Measure r;
  if (std::sscanf(out.c_str(), "%lf %lf %ld", &r.wall, &r.cpu, &r.peakKb) != 3)
    Die(std::string("summary run of ") + kMethodNames[m] + "/" + kChannelNames[c] + " failed");
  return r;
}

void Summary() {
  std::printf("\n%-16s %-10s %12s %12s %12s %8s %8s %10s %10s\n", "method", "channel", "calls/s", "wall us", "cpu us",
              "wall x", "cpu x", "peak kB", "ref kB");
  for (Method m : {kProcessList, kFetchAttributes}) {
    Measure ref = RunChild(m, kDirect);
    for (Channel c : {kDirect, kApartment, kSocket}) {
      Measure r = c == kDirect ? ref : RunChild(m, c);
      std::printf("%-16s %-10s %12.0f %12.2f %12.2f %8.1f %8.1f %10ld %10ld\n", kMethodNames[m], kChannelNames[c],
                  1 / r.wall, r.wall * 1e6, r.cpu * 1e6, r.wall / ref.wall, r.cpu / ref.cpu, r.peakKb, ref.peakKb);
    }
  }
  std::printf("(x: per call, against the direct call; cpu includes the apartment thread and the serving process)\n");
}

// The libraries register themselves in a registry file of the run's own, as an installer would.
std::string g_registryDir;

void Register() {
  char dir[] = "/tmp/com_bench_XXXXXX";
  if (!mkdtemp(dir)) Die("mkdtemp");
  g_registryDir = dir;
  setenv("W32_REGISTRY", (g_registryDir + "/registry.reg").c_str(), 1);
  for (const char* path : {COM_BENCH_SVCPROXY, COM_BENCH_ATTRPROXY}) {
    HMODULE h = LoadLibraryA(path);
    if (!h) Die(std::string("cannot load ") + path);
    auto reg = reinterpret_cast<HRESULT (*)()>(GetProcAddress(h, "DllRegisterServer"));
    Check(reg ? reg() : E_FAIL, "DllRegisterServer");
  }
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  if (argc == 5 && std::string(argv[1]) == "--child")
    return Child(static_cast<Method>(std::atoi(argv[2])), static_cast<Channel>(std::atoi(argv[3])), std::atoi(argv[4]));
  g_self = std::filesystem::canonical("/proc/self/exe").string();
  Register();
  for (Method m : {kProcessList, kFetchAttributes}) {
    for (Channel c : {kDirect, kApartment, kSocket}) {
      std::string name = std::string(kMethodNames[m]) + "/" + kChannelNames[c];
      benchmark::RegisterBenchmark(name.c_str(), BM_Call, m, c)->MeasureProcessCPUTime()->UseRealTime();
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Summary();
  std::filesystem::remove_all(g_registryDir);
  return 0;
}
