// The apartment and socket channels, the proxy manager that holds a proxy to its channel, and the
// helpers that connect them.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "comchannel.h"

namespace com {
namespace {

constexpr uint32_t kMaxFrame = 64u << 20;  // a larger frame is refused as broken

// ---- proxy manager -----------------------------------------------------------------------------
// The controlling unknown of a proxy: its last release disconnects the proxy from the channel.
class ProxyManager final : public IUnknown {
 public:
  explicit ProxyManager(REFIID riid) : iid_(riid) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(this);
    } else if (riid == iid_ && itf_) {
      *ppv = itf_;
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // The proxy for iid over channel, with the reference the caller owns.
  static HRESULT Make(IPSFactoryBuffer* factory, REFIID riid, IRpcChannelBuffer* channel, void** ppv) {
    auto* m = new ProxyManager(riid);
    HRESULT hr = factory->CreateProxy(m, riid, &m->buffer_, reinterpret_cast<void**>(&m->itf_));
    if (SUCCEEDED(hr)) hr = m->buffer_->Connect(channel);
    if (SUCCEEDED(hr)) {
      *ppv = m->itf_;  // CreateProxy counted this reference on the manager
    } else if (m->itf_) {
      m->Release();
    }
    m->Release();
    return hr;
  }

 private:
  ~ProxyManager() {
    if (buffer_) {
      buffer_->Disconnect();
      buffer_->Release();
    }
  }

  std::atomic<ULONG> refs_{1};
  IID iid_;
  IRpcProxyBuffer* buffer_ = nullptr;
  IUnknown* itf_ = nullptr;
};

// Implements the reference counting of a channel that deletes itself.
template <class Derived>
class Counted : public IRpcChannelBuffer {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IRpcChannelBuffer)) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<IRpcChannelBuffer*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete static_cast<Derived*>(this);
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetBuffer(RPCOLEMESSAGE* msg, REFIID) override {
    msg->Buffer = CoTaskMemAlloc(msg->cbBuffer);
    return msg->Buffer ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE FreeBuffer(RPCOLEMESSAGE* msg) override {
    CoTaskMemFree(msg->Buffer);
    msg->Buffer = nullptr;
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// The channel a stub answers on: its reply buffer replaces the request.
class ServerChannel final : public IRpcChannelBuffer {
 public:
  explicit ServerChannel(DWORD context) : context_(context) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetBuffer(RPCOLEMESSAGE* msg, REFIID) override {
    CoTaskMemFree(msg->Buffer);
    msg->Buffer = CoTaskMemAlloc(msg->cbBuffer);
    return msg->Buffer ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SendReceive(RPCOLEMESSAGE*, ULONG*) override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE FreeBuffer(RPCOLEMESSAGE* msg) override {
    CoTaskMemFree(msg->Buffer);
    msg->Buffer = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDestCtx(DWORD* context, void** reserved) override {
    if (context) *context = context_;
    if (reserved) *reserved = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsConnected() override { return S_OK; }

  // Lets the stub answer msg; on success msg holds the reply, on failure msg->Buffer is freed.
  HRESULT Dispatch(IRpcStubBuffer* stub, RPCOLEMESSAGE* msg) {
    HRESULT hr = stub->Invoke(msg, this);
    if (FAILED(hr)) FreeBuffer(msg);
    return hr;
  }

 private:
  DWORD context_;
};

}  // namespace

// ---- apartment ---------------------------------------------------------------------------------

struct Apartment::State {
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::function<void()>> queue;
  bool stopping = false;
  std::thread thread;
  std::thread::id threadId;
  std::vector<IRpcStubBuffer*> stubs;  // connected stubs, released at the end at the latest

  // Runs fn on the apartment's thread and waits; false when the apartment has ended.
  bool Call(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == threadId) {
      fn();
      return true;
    }
    std::promise<void> done;
    {
      std::lock_guard<std::mutex> lock(m);
      if (stopping) return false;
      queue.push_back([&] {
        fn();
        done.set_value();
      });
    }
    cv.notify_one();
    done.get_future().wait();
    return true;
  }

  void Loop() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return stopping || !queue.empty(); });
        if (queue.empty()) break;
        task = std::move(queue.front());
        queue.pop_front();
      }
      task();
    }
    std::vector<IRpcStubBuffer*> left;
    {
      std::lock_guard<std::mutex> lock(m);
      left.swap(stubs);
    }
    for (IRpcStubBuffer* s : left) {
      s->Disconnect();
      s->Release();
    }
  }

  // Disconnects and releases a stub on the apartment's thread, unless the end already did.
  void ReleaseStub(IRpcStubBuffer* stub) {
    auto drop = [&] {
      std::lock_guard<std::mutex> lock(m);
      for (auto it = stubs.begin(); it != stubs.end(); ++it) {
        if (*it == stub) {
          stubs.erase(it);
          return true;
        }
      }
      return false;
    };
    Call([&] {
      if (drop()) {
        stub->Disconnect();
        stub->Release();
      }
    });
  }
};

Apartment::Apartment() : state_(std::make_shared<State>()) {
  std::promise<void> started;
  state_->thread = std::thread([s = state_.get(), &started] {
    s->threadId = std::this_thread::get_id();
    started.set_value();
    s->Loop();
  });
  started.get_future().wait();
}

Apartment::~Apartment() {
  {
    std::lock_guard<std::mutex> lock(state_->m);
    state_->stopping = true;
  }
  state_->cv.notify_one();
  state_->thread.join();
}

void Apartment::Run(const std::function<void()>& fn) { state_->Call(fn); }

namespace {

class ApartmentChannel final : public Counted<ApartmentChannel> {
 public:
  ApartmentChannel(std::shared_ptr<Apartment::State> state, IRpcStubBuffer* stub)
      : state_(std::move(state)), stub_(stub) {}
  ~ApartmentChannel() { state_->ReleaseStub(stub_); }

  HRESULT STDMETHODCALLTYPE SendReceive(RPCOLEMESSAGE* msg, ULONG* status) override {
    HRESULT hr = RPC_E_DISCONNECTED;
    RPCOLEMESSAGE call = *msg;
    bool ran = state_->Call([&] {
      ServerChannel server(MSHCTX_INPROC);
      hr = server.Dispatch(stub_, &call);
    });
    if (!ran) CoTaskMemFree(call.Buffer);
    msg->Buffer = SUCCEEDED(hr) ? call.Buffer : nullptr;
    msg->cbBuffer = SUCCEEDED(hr) ? call.cbBuffer : 0;
    if (status) *status = static_cast<ULONG>(hr);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetDestCtx(DWORD* context, void** reserved) override {
    if (context) *context = MSHCTX_INPROC;
    if (reserved) *reserved = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsConnected() override {
    std::lock_guard<std::mutex> lock(state_->m);
    return state_->stopping ? S_FALSE : S_OK;
  }

 private:
  std::shared_ptr<Apartment::State> state_;
  IRpcStubBuffer* stub_;
};

// ---- socket ------------------------------------------------------------------------------------
// A frame: its payload length and a code (request: the method number; reply: the call's HRESULT,
// with the reply body when it succeeded), then the payload.

bool WriteAll(int fd, const void* data, size_t n) {
  auto* p = static_cast<const unsigned char*>(data);
  while (n) {
    ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

// 1: all read; 0: the peer closed before the first byte; -1: broken off or failed.
int ReadAll(int fd, void* data, size_t n) {
  auto* p = static_cast<unsigned char*>(data);
  size_t got = 0;
  while (got < n) {
    ssize_t k = ::recv(fd, p + got, n - got, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k == 0 && got == 0) return 0;
    if (k <= 0) return -1;
    got += static_cast<size_t>(k);
  }
  return 1;
}

bool SendFrame(int fd, uint32_t code, const void* payload, uint32_t length) {
  uint32_t header[2] = {length, code};
  return WriteAll(fd, header, sizeof header) && (length == 0 || WriteAll(fd, payload, length));
}

// 1: a frame (payload in CoTaskMem, maybe null when empty); 0: orderly end; -1: broken.
int ReceiveFrame(int fd, uint32_t* code, void** payload, uint32_t* length) {
  uint32_t header[2];
  int r = ReadAll(fd, header, sizeof header);
  if (r <= 0) return r;
  if (header[0] > kMaxFrame) return -1;
  void* p = CoTaskMemAlloc(header[0]);
  if (!p || (header[0] && ReadAll(fd, p, header[0]) != 1)) {
    CoTaskMemFree(p);
    return -1;
  }
  *code = header[1];
  *payload = p;
  *length = header[0];
  return 1;
}

class SocketChannel final : public Counted<SocketChannel> {
 public:
  explicit SocketChannel(int fd) : fd_(fd) {}
  ~SocketChannel() { ::close(fd_); }

  HRESULT STDMETHODCALLTYPE SendReceive(RPCOLEMESSAGE* msg, ULONG* status) override {
    std::lock_guard<std::mutex> lock(m_);
    HRESULT hr = Exchange(msg);
    if (FAILED(hr)) msg->Buffer = nullptr;
    if (status) *status = static_cast<ULONG>(hr);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetDestCtx(DWORD* context, void** reserved) override {
    if (context) *context = MSHCTX_LOCAL;
    if (reserved) *reserved = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsConnected() override { return dead_ ? S_FALSE : S_OK; }

 private:
  HRESULT Exchange(RPCOLEMESSAGE* msg) {
    bool sent = !dead_ && SendFrame(fd_, msg->iMethod, msg->Buffer, msg->cbBuffer);
    CoTaskMemFree(msg->Buffer);
    msg->Buffer = nullptr;
    if (!sent) {
      dead_ = true;
      return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    }
    uint32_t code, length;
    void* reply;
    if (ReceiveFrame(fd_, &code, &reply, &length) != 1) {
      dead_ = true;
      return HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
    }
    auto hr = static_cast<HRESULT>(code);
    if (FAILED(hr)) {
      CoTaskMemFree(reply);
      return hr;
    }
    msg->Buffer = reply;
    msg->cbBuffer = length;
    return S_OK;
  }

  int fd_;
  std::mutex m_;
  std::atomic<bool> dead_{false};
};

}  // namespace

// ---- helpers -----------------------------------------------------------------------------------

HRESULT ConnectInApartment(Apartment& apartment, IUnknown* object, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!object) return E_POINTER;
  IPSFactoryBuffer* factory = nullptr;
  HRESULT hr = GetPSFactory(riid, &factory);
  if (FAILED(hr)) return hr;
  IRpcStubBuffer* stub = nullptr;
  std::shared_ptr<Apartment::State> state = apartment.state_;
  bool ran = state->Call([&] {
    hr = factory->CreateStub(riid, object, &stub);
    if (SUCCEEDED(hr)) {
      std::lock_guard<std::mutex> lock(state->m);
      state->stubs.push_back(stub);
    }
  });
  if (!ran) hr = RPC_E_DISCONNECTED;
  if (SUCCEEDED(hr)) {
    auto* channel = new ApartmentChannel(state, stub);
    hr = ProxyManager::Make(factory, riid, channel, ppv);
    channel->Release();
  }
  factory->Release();
  return hr;
}

HRESULT ServeOnSocket(int fd, IUnknown* object, REFIID riid) {
  IPSFactoryBuffer* factory = nullptr;
  IRpcStubBuffer* stub = nullptr;
  HRESULT hr = GetPSFactory(riid, &factory);
  if (SUCCEEDED(hr)) {
    hr = factory->CreateStub(riid, object, &stub);
    factory->Release();
  }
  if (FAILED(hr)) {
    ::close(fd);
    return hr;
  }
  ServerChannel server(MSHCTX_LOCAL);
  for (;;) {
    RPCOLEMESSAGE msg{};
    msg.dataRepresentation = NDR_LOCAL_DATA_REPRESENTATION;
    uint32_t code, length;
    int r = ReceiveFrame(fd, &code, &msg.Buffer, &length);
    if (r <= 0) {
      hr = r == 0 ? S_OK : HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
      break;
    }
    msg.iMethod = code;
    msg.cbBuffer = length;
    HRESULT call = server.Dispatch(stub, &msg);
    bool sent = SUCCEEDED(call) ? SendFrame(fd, static_cast<uint32_t>(S_OK), msg.Buffer, msg.cbBuffer)
                                : SendFrame(fd, static_cast<uint32_t>(call), nullptr, 0);
    server.FreeBuffer(&msg);
    if (!sent) {
      hr = HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
      break;
    }
  }
  stub->Disconnect();
  stub->Release();
  ::close(fd);
  return hr;
}

HRESULT ConnectToSocket(int fd, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IPSFactoryBuffer* factory = nullptr;
  HRESULT hr = GetPSFactory(riid, &factory);
  if (FAILED(hr)) {
    ::close(fd);
    return hr;
  }
  auto* channel = new SocketChannel(fd);
  hr = ProxyManager::Make(factory, riid, channel, ppv);
  channel->Release();
  factory->Release();
  return hr;
}

}  // namespace com
