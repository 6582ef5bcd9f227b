// What the run time keeps in the registry (HKCR): the proxy/stub registration of an interface and
// the way from an IID to its proxy/stub factory.
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "comchannel.h"
#include "rpcproxy.h"
#include "wire.h"

namespace {

std::string InterfaceKey(const IID& iid) { return "Interface\\" + comrt::GuidText(iid); }
std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + comrt::GuidText(clsid); }

LSTATUS SetText(const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  LSTATUS st = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &h, nullptr);
  if (st != ERROR_SUCCESS) return st;
  st = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
  return st;
}

// The default value of an HKCR key as text; false when the key or value is missing or not text.
bool GetText(const std::string& key, std::string* out) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  bool ok = RegQueryValueExA(h, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ;
  std::vector<char> text(size + 1, '\0');
  if (ok) ok = RegQueryValueExA(h, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
               ERROR_SUCCESS;
  RegCloseKey(h);
  if (!ok) return false;
  *out = std::string(text.data());  // up to the terminator
  return true;
}

const CLSID& FactoryClass(const ProxyFileInfo* const* list, const CLSID* pclsid) {
  return pclsid ? *pclsid : *list[0]->pStubVtblList[0]->piid;
}

}  // namespace

extern "C" HRESULT NdrDllRegisterProxy(HMODULE hDll, const ProxyFileInfo* const* pProxyFileList, const CLSID* pclsid) {
  if (!pProxyFileList || !pProxyFileList[0]) return E_INVALIDARG;
  char path[4096];
  DWORD n = GetModuleFileNameA(hDll, path, sizeof path);
  if (n == 0 || n >= sizeof path) return HRESULT_FROM_WIN32(n ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
  const CLSID& clsid = FactoryClass(pProxyFileList, pclsid);
  std::string classKey = ClassKey(clsid);
  // The class first, so that no interface ever names a class that is not there.
  LSTATUS st = SetText(classKey, nullptr, "PSFactoryBuffer");
  if (st == ERROR_SUCCESS) st = SetText(classKey + "\\InprocServer32", nullptr, path);
  if (st == ERROR_SUCCESS) st = SetText(classKey + "\\InprocServer32", "ThreadingModel", "Both");
  for (const ProxyFileInfo* const* info = pProxyFileList; st == ERROR_SUCCESS && *info; ++info) {
    for (unsigned short i = 0; st == ERROR_SUCCESS && i < (*info)->TableSize; ++i) {
      const CInterfaceStubVtbl* stub = (*info)->pStubVtblList[i];
      std::string key = InterfaceKey(*stub->piid);
      st = SetText(key, nullptr, (*info)->pNamesArray[i]);
      if (st == ERROR_SUCCESS) st = SetText(key + "\\NumMethods", nullptr, std::to_string(stub->DispatchTableCount));
      if (st == ERROR_SUCCESS) st = SetText(key + "\\ProxyStubClsid32", nullptr, comrt::GuidText(clsid));
    }
  }
  return st == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(st);
}

extern "C" HRESULT NdrDllUnregisterProxy(HMODULE, const ProxyFileInfo* const* pProxyFileList, const CLSID* pclsid) {
  if (!pProxyFileList || !pProxyFileList[0]) return E_INVALIDARG;
  LSTATUS first = ERROR_SUCCESS;
  auto drop = [&](const std::string& key) {
    LSTATUS st = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND && first == ERROR_SUCCESS) first = st;
  };
  // The interfaces first, so that none is left naming a class that is gone.
  for (const ProxyFileInfo* const* info = pProxyFileList; *info; ++info) {
    for (unsigned short i = 0; i < (*info)->TableSize; ++i) {
      std::string key = InterfaceKey(*(*info)->pStubVtblList[i]->piid);
      drop(key + "\\ProxyStubClsid32");
      drop(key + "\\NumMethods");
      drop(key);
    }
  }
  std::string classKey = ClassKey(FactoryClass(pProxyFileList, pclsid));
  drop(classKey + "\\InprocServer32");
  drop(classKey);
  return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(first);
}

extern "C" HRESULT CoGetPSClsid(REFIID riid, CLSID* pclsid) {
  if (!pclsid) return E_INVALIDARG;
  std::string text;
  if (!GetText(InterfaceKey(riid) + "\\ProxyStubClsid32", &text) || !comrt::ParseGuid(text, pclsid))
    return REGDB_E_IIDNOTREG;
  return S_OK;
}

namespace com {

HRESULT GetPSFactory(REFIID riid, IPSFactoryBuffer** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  CLSID clsid;
  HRESULT hr = CoGetPSClsid(riid, &clsid);
  if (FAILED(hr)) return hr;
  std::string path;
  if (!GetText(ClassKey(clsid) + "\\InprocServer32", &path) || path.empty()) return REGDB_E_CLASSNOTREG;
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  {
    // A library, once loaded, stays: its code runs as long as any of its proxies or stubs does.
    static std::mutex m;
    static std::set<HMODULE> loaded;
    std::lock_guard<std::mutex> lock(m);
    if (!loaded.insert(module).second) FreeLibrary(module);
  }
  using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(GetProcAddress(module, "DllGetClassObject"));
  if (!get) return CO_E_ERRORINDLL;
  return get(clsid, IID_IPSFactoryBuffer, reinterpret_cast<void**>(factory));
}

}  // namespace com
