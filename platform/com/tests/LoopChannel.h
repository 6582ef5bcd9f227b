// A channel for tests: hands the request straight to a stub in the same thread and keeps the last
// request; a hook may replace the reply before the proxy reads it.
#pragma once
#include <algorithm>
#include <functional>
#include <vector>

#include "objbase.h"

class LoopChannel final : public IRpcChannelBuffer {
 public:
  explicit LoopChannel(IRpcStubBuffer* stub = nullptr) : stub_(stub) {}

  void SetStub(IRpcStubBuffer* stub) { stub_ = stub; }
  // Called with the reply bytes (the stub's, or empty when it failed); whatever it leaves there is
  // what the proxy reads, with S_OK.
  std::function<void(std::vector<unsigned char>&)> replyHook;

  struct Exchange {
    ULONG method;
    std::vector<unsigned char> request, reply;  // reply: empty when the stub failed
  };
  std::vector<Exchange> history;  // every call sent through the channel
  std::vector<unsigned char> lastRequest;
  int sends = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetBuffer(RPCOLEMESSAGE* msg, REFIID) override {
    if (serving_) CoTaskMemFree(msg->Buffer);  // the reply replaces the request
    msg->Buffer = CoTaskMemAlloc(msg->cbBuffer);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SendReceive(RPCOLEMESSAGE* msg, ULONG* status) override {
    ++sends;
    auto* p = static_cast<unsigned char*>(msg->Buffer);
    lastRequest.assign(p, p + msg->cbBuffer);
    RPCOLEMESSAGE call = *msg;
    HRESULT hr = E_UNEXPECTED;
    if (stub_) {
      serving_ = true;
      hr = stub_->Invoke(&call, this);
      serving_ = false;
    } else {
      CoTaskMemFree(call.Buffer);
      call.Buffer = nullptr;
    }
    std::vector<unsigned char> reply;
    if (SUCCEEDED(hr))
      reply.assign(static_cast<unsigned char*>(call.Buffer), static_cast<unsigned char*>(call.Buffer) + call.cbBuffer);
    history.push_back({msg->iMethod, lastRequest, reply});
    if (replyHook) {
      CoTaskMemFree(call.Buffer);
      replyHook(reply);
      call.Buffer = CoTaskMemAlloc(reply.size());
      if (!reply.empty()) std::copy(reply.begin(), reply.end(), static_cast<unsigned char*>(call.Buffer));
      call.cbBuffer = static_cast<ULONG>(reply.size());
      hr = S_OK;
    }
    if (FAILED(hr)) {
      CoTaskMemFree(call.Buffer);
      msg->Buffer = nullptr;
    } else {
      msg->Buffer = call.Buffer;
      msg->cbBuffer = call.cbBuffer;
    }
    if (status) *status = static_cast<ULONG>(hr);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE FreeBuffer(RPCOLEMESSAGE* msg) override {
    CoTaskMemFree(msg->Buffer);
    msg->Buffer = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDestCtx(DWORD* context, void** reserved) override {
    if (context) *context = MSHCTX_INPROC;
    if (reserved) *reserved = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsConnected() override { return S_OK; }

  // Lets the stub answer a request of the caller's making: its HRESULT, and the reply in *reply.
  HRESULT Invoke(ULONG method, const std::vector<unsigned char>& request, std::vector<unsigned char>* reply) {
    RPCOLEMESSAGE msg{};
    msg.iMethod = method;
    msg.cbBuffer = static_cast<ULONG>(request.size());
    msg.Buffer = CoTaskMemAlloc(request.size());
    std::copy(request.begin(), request.end(), static_cast<unsigned char*>(msg.Buffer));
    serving_ = true;
    HRESULT hr = stub_->Invoke(&msg, this);
    serving_ = false;
    if (reply) {
      reply->clear();
      if (SUCCEEDED(hr))
        reply->assign(static_cast<unsigned char*>(msg.Buffer), static_cast<unsigned char*>(msg.Buffer) + msg.cbBuffer);
    }
    CoTaskMemFree(msg.Buffer);
    return hr;
  }

 private:
  IRpcStubBuffer* stub_;
  bool serving_ = false;
};
