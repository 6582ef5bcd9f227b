// The proxy/stub library of one interface: its proxy file list, factory, entry routine and exports.
// Built twice from this source: svcproxy (ITYGenericServices) and attrproxy (TY_ATTRPROXY,
// ITYFetchAttributes).
#include <cstring>

#include "rpcproxy.h"
#include "windows.h"

#ifdef TY_ATTRPROXY
#include "attr_p.h"
#else
#include "svc_p.h"
#endif

namespace {

HMODULE hProxyDll = nullptr;
CStdPSFactoryBuffer gPFactory;

// The one interface of the library: all 16 bytes of the IID must match.
int IidLookup(const IID* iid, int* index) {
  if (std::memcmp(iid, &kIid, sizeof(IID)) != 0) return 0;
  *index = 0;
  return 1;
}

ULONG StubRelease(IRpcStubBuffer* stub) { return NdrCStdStubBuffer_Release(stub, &gPFactory); }

const CInterfaceProxyVtbl* const kProxyVtblList[] = {&kProxyVtbl, nullptr};
const CInterfaceStubVtbl kStubVtbl = {&kIid, &kServerInfo, kSlotCount, &StubRelease};
const CInterfaceStubVtbl* const kStubVtblList[] = {&kStubVtbl, nullptr};
const char* const kNames[] = {kInterfaceName, nullptr};
const ProxyFileInfo kProxyFileInfo = {kProxyVtblList, kStubVtblList, kNames, &IidLookup, 1, 2};
const ProxyFileInfo* const aProxyFileList[] = {&kProxyFileInfo, nullptr};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    hProxyDll = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  return NdrDllGetClassObject(rclsid, riid, ppv, aProxyFileList, &kIid, &gPFactory);
}

HRESULT DllCanUnloadNow() { return NdrDllCanUnloadNow(&gPFactory); }

HRESULT DllRegisterServer() { return NdrDllRegisterProxy(hProxyDll, aProxyFileList, &kIid); }

HRESULT DllUnregisterServer() { return NdrDllUnregisterProxy(hProxyDll, aProxyFileList, &kIid); }

void GetProxyDllInfo(const ProxyFileInfo* const** info, const CLSID** clsid) {
  *info = aProxyFileList;
  *clsid = &kIid;
}

}  // extern "C"
