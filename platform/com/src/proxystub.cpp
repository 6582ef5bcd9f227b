// The proxy/stub framework: the factory of a library, its proxies and stubs, and the run time's
// routines behind a library's exports.
#include <exception>

#include "ndr.h"

using comrt::FindProcedure;
using comrt::Ndr;
using comrt::Procedure;
using comrt::RpcFault;
using comrt::StubFrame;

namespace {

HRESULT FaultResult(const RpcFault& f) { return HRESULT_FROM_WIN32(f.status); }

// The library and index that describe riid, or null.
const ProxyFileInfo* FindInterface(const ProxyFileInfo* const* list, REFIID riid, int* index) {
  for (; list && *list; ++list) {
    int i = -1;
    if ((*list)->pIIDLookupRtn && (*list)->pIIDLookupRtn(&riid, &i) && i >= 0 && i < (*list)->TableSize) {
      *index = i;
      return *list;
    }
  }
  return nullptr;
}

class CStdStubBuffer final : public IRpcStubBuffer {
 public:
  explicit CStdStubBuffer(const CInterfaceStubVtbl* table) : table_(table) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IRpcStubBuffer)) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<IRpcStubBuffer*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return table_->pfnRelease(this); }

  HRESULT STDMETHODCALLTYPE Connect(IUnknown* server) override {
    if (!server) return E_POINTER;
    IUnknown* itf = nullptr;
    HRESULT hr = server->QueryInterface(*table_->piid, reinterpret_cast<void**>(&itf));
    if (FAILED(hr)) return hr;
    if (IUnknown* old = server_.exchange(itf)) old->Release();
    return S_OK;
  }
  void STDMETHODCALLTYPE Disconnect() override {
    if (IUnknown* old = server_.exchange(nullptr)) old->Release();
  }
  HRESULT STDMETHODCALLTYPE Invoke(RPCOLEMESSAGE* msg, IRpcChannelBuffer* channel) override;
  IRpcStubBuffer* STDMETHODCALLTYPE IsIIDSupported(REFIID riid) override {
    if (!(riid == *table_->piid) || !server_.load()) return nullptr;
    AddRef();
    return this;
  }
  ULONG STDMETHODCALLTYPE CountRefs() override { return server_.load() ? 1 : 0; }
  HRESULT STDMETHODCALLTYPE DebugServerQueryInterface(void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = server_.load();
    return *ppv ? S_OK : E_UNEXPECTED;
  }
  void STDMETHODCALLTYPE DebugServerRelease(void*) override {}

  std::atomic<ULONG> refs{1};

 private:
  const CInterfaceStubVtbl* table_;
  std::atomic<IUnknown*> server_{nullptr};
};

HRESULT CStdStubBuffer::Invoke(RPCOLEMESSAGE* msg, IRpcChannelBuffer* channel) {
  if (!msg || !channel) return E_POINTER;
  const MIDL_SERVER_INFO* si = table_->pServerInfo;
  ULONG slot = msg->iMethod;
  if (slot >= table_->DispatchTableCount || !si->DispatchTable[slot])
    return HRESULT_FROM_WIN32(RPC_S_PROCNUM_OUT_OF_RANGE);
  Procedure proc = FindProcedure(si->ProcString, si->FmtStringOffset, slot);
  if (!proc.params) return HRESULT_FROM_WIN32(RPC_S_PROCNUM_OUT_OF_RANGE);
  IUnknown* server = server_.load();
  if (!server) return RPC_E_DISCONNECTED;
  server->AddRef();
  DWORD context = MSHCTX_LOCAL;
  channel->GetDestCtx(&context, nullptr);

  HRESULT hr = S_OK;
  try {
    StubFrame frame(Ndr(si->pStubDesc, proc, nullptr, context), proc);
    Ndr ndr(si->pStubDesc, proc, frame.Args(), context);
    try {
      ndr.Unmarshal(NDR_IN, static_cast<const unsigned char*>(msg->Buffer), msg->cbBuffer, true);
      ndr.AllocateOuts();
    } catch (const RpcFault& f) {
      ndr.Free(NDR_IN | NDR_OUT, true);
      server->Release();
      return FaultResult(f);
    }
    HRESULT result;
    try {
      result = si->DispatchTable[slot](server, frame.Args());
    } catch (...) {
      ndr.Free(NDR_IN | NDR_OUT, true);
      server->Release();
      return RPC_E_SERVERFAULT;
    }
    try {
      size_t n = ndr.Size(NDR_OUT);
      if (n > 0xFFFFFFFFu) throw RpcFault{RPC_S_INTERNAL_ERROR};
      msg->cbBuffer = static_cast<ULONG>(n);
      hr = channel->GetBuffer(msg, *table_->piid);
      if (SUCCEEDED(hr)) ndr.Marshal(NDR_OUT, static_cast<unsigned char*>(msg->Buffer), n, result);
    } catch (const RpcFault& f) {
      hr = FaultResult(f);
    }
    ndr.Free(NDR_IN | NDR_OUT, true);
  } catch (const RpcFault& f) {
    hr = FaultResult(f);
  }
  server->Release();
  return hr;
}

}  // namespace

// ---- factory ------------------------------------------------------------------------------------

HRESULT CStdPSFactoryBuffer::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!(riid == IID_IUnknown) && !(riid == IID_IPSFactoryBuffer)) return E_NOINTERFACE;
  AddRef();
  *ppv = static_cast<IPSFactoryBuffer*>(this);
  return S_OK;
}

ULONG CStdPSFactoryBuffer::AddRef() { return static_cast<ULONG>(++RefCount); }

ULONG CStdPSFactoryBuffer::Release() { return static_cast<ULONG>(--RefCount); }

HRESULT CStdPSFactoryBuffer::CreateProxy(IUnknown* outer, REFIID riid, IRpcProxyBuffer** proxy, void** ppv) {
  if (!proxy || !ppv) return E_POINTER;
  *proxy = nullptr;
  *ppv = nullptr;
  int index;
  const ProxyFileInfo* info = FindInterface(pProxyFileList.load(), riid, &index);
  if (!info) return E_NOINTERFACE;
  const CInterfaceProxyVtbl* table = info->pProxyVtblList[index];
  NdrProxyBase* p = table->pfnCreateProxy();
  if (!p) return E_OUTOFMEMORY;
  p->table = table;
  p->buffer.owner = p;
  p->factory = this;
  AddRef();
  p->outer = outer ? outer : static_cast<IUnknown*>(&p->buffer);
  p->outer->AddRef();
  *proxy = &p->buffer;
  *ppv = p->Interface();
  return S_OK;
}

HRESULT CStdPSFactoryBuffer::CreateStub(REFIID riid, IUnknown* server, IRpcStubBuffer** stub) {
  if (!stub) return E_POINTER;
  *stub = nullptr;
  int index;
  const ProxyFileInfo* info = FindInterface(pProxyFileList.load(), riid, &index);
  if (!info) return E_NOINTERFACE;
  auto* s = new CStdStubBuffer(info->pStubVtblList[index]);
  AddRef();
  if (server) {
    HRESULT hr = s->Connect(server);
    if (FAILED(hr)) {
      s->Release();
      return hr;
    }
  }
  *stub = s;
  return S_OK;
}

// ---- proxies ------------------------------------------------------------------------------------

NdrProxyBase::~NdrProxyBase() = default;

HRESULT NdrProxyBase::OuterQueryInterface(REFIID riid, void** ppv) { return outer->QueryInterface(riid, ppv); }
ULONG NdrProxyBase::OuterAddRef() { return outer->AddRef(); }
ULONG NdrProxyBase::OuterRelease() { return outer->Release(); }

HRESULT NdrProxyBase::Buffer::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IRpcProxyBuffer) {
    AddRef();
    *ppv = static_cast<IRpcProxyBuffer*>(this);
    return S_OK;
  }
  if (riid == *owner->table->piid) {
    owner->OuterAddRef();
    *ppv = owner->Interface();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG NdrProxyBase::Buffer::AddRef() { return ++refs; }

ULONG NdrProxyBase::Buffer::Release() {
  ULONG n = --refs;
  if (n == 0) {
    Disconnect();
    CStdPSFactoryBuffer* factory = owner->factory;
    delete owner;
    factory->Release();
  }
  return n;
}

HRESULT NdrProxyBase::Buffer::Connect(IRpcChannelBuffer* ch) {
  if (!ch) return E_POINTER;
  ch->AddRef();
  if (IRpcChannelBuffer* old = owner->channel.exchange(ch)) old->Release();
  return S_OK;
}

void NdrProxyBase::Buffer::Disconnect() {
  if (IRpcChannelBuffer* old = owner->channel.exchange(nullptr)) old->Release();
}

HRESULT NdrProxyBase::Call(ULONG slot, void** args) {
  if (!table || slot >= table->SlotCount || table->Vtbl[slot] != NDR_SLOT_STUBLESS) return RPC_E_INVALIDMETHOD;
  const MIDL_STUBLESS_PROXY_INFO* info = table->pStublessProxyInfo;
  Procedure proc = FindProcedure(info->ProcFormatString, info->FormatStringOffset, slot);
  if (!proc.params) return RPC_E_INVALIDMETHOD;
  Ndr ndr(info->pStubDesc, proc, args, MSHCTX_LOCAL);
  try {
    ndr.ZeroOuts();
  } catch (const RpcFault& f) {
    return FaultResult(f);
  }
  IRpcChannelBuffer* ch = channel.load();
  if (!ch) return CO_E_OBJNOTCONNECTED;
  ch->AddRef();
  DWORD context = MSHCTX_LOCAL;
  ch->GetDestCtx(&context, nullptr);
  ndr = Ndr(info->pStubDesc, proc, args, context);

  RPCOLEMESSAGE msg{};
  msg.dataRepresentation = NDR_LOCAL_DATA_REPRESENTATION;
  msg.iMethod = slot;
  HRESULT result;
  try {
    size_t n = ndr.Size(NDR_IN);
    if (n > 0xFFFFFFFFu) throw RpcFault{RPC_S_INTERNAL_ERROR};
    msg.cbBuffer = static_cast<ULONG>(n);
    result = ch->GetBuffer(&msg, *table->piid);
    if (FAILED(result)) {
      ch->Release();
      return result;
    }
    ndr.Marshal(NDR_IN, static_cast<unsigned char*>(msg.Buffer), n, S_OK);
  } catch (const RpcFault& f) {
    ch->FreeBuffer(&msg);
    ch->Release();
    return FaultResult(f);
  }
  ULONG status = 0;
  result = ch->SendReceive(&msg, &status);
  if (FAILED(result)) {
    ch->Release();
    return result;
  }
  try {
    result = ndr.Unmarshal(NDR_OUT, static_cast<const unsigned char*>(msg.Buffer), msg.cbBuffer, false);
  } catch (const RpcFault& f) {
    ndr.Free(NDR_OUT, false);
    try {
      ndr.ZeroOuts();
    } catch (const RpcFault&) {
    }
    result = FaultResult(f);
  }
  ch->FreeBuffer(&msg);
  ch->Release();
  return result;
}

// ---- the routines behind a library's exports -----------------------------------------------------

extern "C" HRESULT NdrDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv,
                                        const ProxyFileInfo* const* pProxyFileList, const CLSID* pclsid,
                                        CStdPSFactoryBuffer* pPSFactoryBuffer) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!pProxyFileList || !pProxyFileList[0] || !pPSFactoryBuffer) return E_UNEXPECTED;
  const CLSID& own = pclsid ? *pclsid : *pProxyFileList[0]->pStubVtblList[0]->piid;
  if (!(rclsid == own)) return CLASS_E_CLASSNOTAVAILABLE;
  const ProxyFileInfo* const* none = nullptr;
  pPSFactoryBuffer->pProxyFileList.compare_exchange_strong(none, pProxyFileList);
  return pPSFactoryBuffer->QueryInterface(riid, ppv);
}

extern "C" HRESULT NdrDllCanUnloadNow(CStdPSFactoryBuffer* pPSFactoryBuffer) {
  return pPSFactoryBuffer && pPSFactoryBuffer->RefCount.load() != 0 ? S_FALSE : S_OK;
}

extern "C" ULONG NdrCStdStubBuffer_Release(IRpcStubBuffer* This, IPSFactoryBuffer* pPSF) {
  auto* stub = static_cast<CStdStubBuffer*>(This);
  ULONG n = --stub->refs;
  if (n == 0) {
    stub->Disconnect();
    delete stub;
    if (pPSF) pPSF->Release();
  }
  return n;
}
