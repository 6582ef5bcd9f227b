// Registration of both libraries as a second process reads it back, and their class objects.
#include <gtest/gtest.h>

#include <vector>

#include "ITYFetchAttributes.h"
#include "ITYGenericServices.h"
#include "Support.h"
#include "rpcproxy.h"

namespace {

struct Library {
  const char* name;
  const IID* iid;
  const char* iidText;
  const char* interfaceName;
  const char* methods;
};
const Library kLibraries[] = {
    {"svcproxy", &IID_ITYGenericServices, "{376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5}", "ITYGenericServices", "18"},
    {"attrproxy", &IID_ITYFetchAttributes, "{12410E5A-0C7A-4B85-9D1E-938C0F4A7EC9}", "ITYFetchAttributes", "7"},
};

// key, value name ("" for the default), expected text
struct Entry {
  std::string key, name, data;
};

std::vector<Entry> ExpectedEntries(const Library& lib, const std::string& modulePath) {
  std::string itf = std::string("Interface\\") + lib.iidText;
  std::string cls = std::string("CLSID\\") + lib.iidText;
  return {{itf, "", lib.interfaceName},
          {itf + "\\NumMethods", "", lib.methods},
          {itf + "\\ProxyStubClsid32", "", lib.iidText},
          {cls, "", "PSFactoryBuffer"},
          {cls + "\\InprocServer32", "", modulePath},
          {cls + "\\InprocServer32", "ThreadingModel", "Both"}};
}

// What a value reads as in this process: its text, or "<missing key>" / "<missing value>".
std::string Read(const std::string& key, const std::string& name) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<missing key>";
  char buf[4096];
  DWORD size = sizeof buf, type = 0;
  LSTATUS st = RegQueryValueExA(h, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(h);
  if (st != ERROR_SUCCESS) return "<missing value>";
  return type == REG_SZ ? std::string(buf) : "<not text>";
}

// The entries as a second process reads them, one line each.
std::string ReadInChild(const std::vector<Entry>& entries) {
  return support::InChild([&] {
    std::string out;
    for (const Entry& e : entries) out += Read(e.key, e.name) + "\n";
    return out;
  });
}

std::string Lines(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += x + "\n";
  return s;
}

void SetText(const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(h);
}

TEST(RegistrationTest, WhatRegisteringWritesAndUnregisteringRemoves) {
  support::PrivateRegistry registry;
  // Others' entries, one beside ours under "Interface" and one under "CLSID".
  std::vector<Entry> others = {{"Interface\\{00000000-0000-0000-0000-0000000000AA}", "", "another interface"},
                               {"CLSID\\{00000000-0000-0000-0000-0000000000BB}\\InprocServer32", "", "other.dll"}};
  for (const Entry& e : others) SetText(e.key, nullptr, e.data);

  for (const Library& lib : kLibraries) {
    SCOPED_TRACE(lib.name);
    HMODULE h = LoadLibraryA(support::LibraryPath(lib.name).c_str());
    ASSERT_NE(h, nullptr);
    char path[4096];
    ASSERT_GT(GetModuleFileNameA(h, path, sizeof path), 0u);
    auto regist = reinterpret_cast<HRESULT (*)()>(GetProcAddress(h, "DllRegisterServer"));
    auto unregist = reinterpret_cast<HRESULT (*)()>(GetProcAddress(h, "DllUnregisterServer"));
    ASSERT_TRUE(regist && unregist);

    std::vector<Entry> ours = ExpectedEntries(lib, path);
    std::vector<std::string> wanted, gone;
    for (const Entry& e : ours) {
      wanted.push_back(e.data);
      gone.push_back("<missing key>");
    }
    ASSERT_EQ(regist(), S_OK);
    EXPECT_EQ(ReadInChild(ours), Lines(wanted));
    ASSERT_EQ(regist(), S_OK);  // again: the same entries
    EXPECT_EQ(ReadInChild(ours), Lines(wanted));

    ASSERT_EQ(unregist(), S_OK);
    EXPECT_EQ(ReadInChild(ours), Lines(gone));
    EXPECT_EQ(ReadInChild(others), Lines({others[0].data, others[1].data}));
    EXPECT_EQ(unregist(), S_OK);  // nothing left to remove
    FreeLibrary(h);
  }
}

using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT (*)();
using GetProxyDllInfo = void (*)(const ProxyFileInfo* const**, const CLSID**);

TEST(RegistrationTest, ClassObjectServesItsOneInterfaceOnly) {
  for (const Library& lib : kLibraries) {
    SCOPED_TRACE(lib.name);
    HMODULE h = LoadLibraryA(support::LibraryPath(lib.name).c_str());
    ASSERT_NE(h, nullptr);
    auto get = reinterpret_cast<GetClassObject>(GetProcAddress(h, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadNow>(GetProcAddress(h, "DllCanUnloadNow"));
    auto info = reinterpret_cast<GetProxyDllInfo>(GetProcAddress(h, "GetProxyDllInfo"));
    ASSERT_TRUE(get && canUnload && info);

    const ProxyFileInfo* const* list = nullptr;
    const CLSID* clsid = nullptr;
    info(&list, &clsid);
    ASSERT_TRUE(list && list[0] && !list[1] && clsid);
    EXPECT_TRUE(IsEqualGUID(*clsid, *lib.iid));  // the factory's class id is the interface's IID
    EXPECT_STREQ(list[0]->pNamesArray[0], lib.interfaceName);
    EXPECT_EQ(list[0]->TableSize, 1);
    EXPECT_EQ(list[0]->TableVersion, 2);

    IID lastByte = *lib.iid;
    lastByte.Data4[7] ^= 0x01;
    const IID& otherLibrary = *kLibraries[&lib == &kLibraries[0] ? 1 : 0].iid;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(lastByte, IID_IPSFactoryBuffer, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(get(otherLibrary, IID_IPSFactoryBuffer, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(get(*lib.iid, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(canUnload(), S_OK);

    IPSFactoryBuffer* factory = nullptr;
    ASSERT_EQ(get(*lib.iid, IID_IPSFactoryBuffer, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);  // the class object itself is held
    for (const IID* wrong : {static_cast<const IID*>(&lastByte), &otherLibrary, &IID_IUnknown}) {
      IRpcProxyBuffer* proxy = nullptr;
      void* itf = nullptr;
      EXPECT_EQ(factory->CreateProxy(nullptr, *wrong, &proxy, &itf), E_NOINTERFACE);
      EXPECT_TRUE(proxy == nullptr && itf == nullptr);
      IRpcStubBuffer* stub = nullptr;
      EXPECT_EQ(factory->CreateStub(*wrong, nullptr, &stub), E_NOINTERFACE);
      EXPECT_EQ(stub, nullptr);
    }

    IRpcProxyBuffer* proxy = nullptr;
    IUnknown* itf = nullptr;
    ASSERT_EQ(factory->CreateProxy(nullptr, *lib.iid, &proxy, reinterpret_cast<void**>(&itf)), S_OK);
    IRpcStubBuffer* stub = nullptr;
    ASSERT_EQ(factory->CreateStub(*lib.iid, nullptr, &stub), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);  // a proxy and a stub live
    itf->Release();
    proxy->Release();
    EXPECT_EQ(canUnload(), S_FALSE);  // the stub lives
    stub->Release();
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(h);
  }
}

}  // namespace
