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

std::string Narrow(const char16_t* s, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Widen(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t c = 0xFFFD;
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      ++i;
    } else {
      c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
      for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
      i += n;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

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
std::string FromOle(LPCOLESTR text) {
  if (!text) return {};
  size_t n = 0;
  while (text[n] && n < 64) ++n;
  return comrt::Narrow(text, n);
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
