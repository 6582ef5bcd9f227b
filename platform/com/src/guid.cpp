// Interface ids of the COM machinery, task memory, GUID text and the engine's exception.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "objbase.h"
#include "wire.h"

extern "C" const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
extern "C" const IID IID_IPSFactoryBuffer = {0xD5F569D0, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};
extern "C" const IID IID_IRpcProxyBuffer = {0xD5F56A34, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};
extern "C" const IID IID_IRpcStubBuffer = {0xD5F56AFC, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};
extern "C" const IID IID_IRpcChannelBuffer = {0xD5F56B60, 0x593B, 0x101A, {0xB5, 0x69, 0x08, 0x00, 0x2B, 0x2D, 0xBF, 0x7A}};

extern "C" void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
extern "C" void CoTaskMemFree(void* pv) { std::free(pv); }

void RpcRaiseException(RPC_STATUS status) { throw comrt::RpcFault{status}; }

namespace comrt {

std::string GuidText(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

bool ParseGuid(const std::string& text, GUID* g) {
  static const char kShape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != sizeof kShape - 1) return false;
  uint8_t nibbles[32];
  int k = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (kShape[i] != 'X') {
      if (c != kShape[i]) return false;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    nibbles[k++] = static_cast<uint8_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                     : std::toupper(c) - 'A' + 10);
  }
  auto take = [&](int from, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 4) | nibbles[from + i];
    return v;
  };
  GUID r;
  r.Data1 = take(0, 8);
  r.Data2 = static_cast<uint16_t>(take(8, 4));
  r.Data3 = static_cast<uint16_t>(take(12, 4));
  for (int i = 0; i < 8; ++i) r.Data4[i] = static_cast<uint8_t>(take(16 + 2 * i, 2));
  *g = r;
  return true;
}

}  // namespace comrt

namespace {
// The GUID text's characters are ASCII; any other unit becomes a character no GUID text holds.
std::string FromOle(LPCOLESTR text) {
  std::string s;
  for (size_t n = 0; text && text[n] && n < 64; ++n) s += text[n] < 0x80 ? static_cast<char>(text[n]) : '\x01';
  return s;
}
}  // namespace

extern "C" int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax) {
  std::string s = comrt::GuidText(guid);
  if (!text || cchMax < static_cast<int>(s.size()) + 1) return 0;
  for (size_t i = 0; i < s.size(); ++i) text[i] = static_cast<OLECHAR>(s[i]);
  text[s.size()] = 0;
  return static_cast<int>(s.size()) + 1;
}

extern "C" HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!clsid) return E_INVALIDARG;
  return comrt::ParseGuid(FromOle(text), clsid) ? S_OK : CO_E_CLASSSTRING;
}

extern "C" HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  if (!iid) return E_INVALIDARG;
  return comrt::ParseGuid(FromOle(text), iid) ? S_OK : E_INVALIDARG;
}
