// BSTR, VARIANT and SAFEARRAY.
#include <cstdlib>
#include <cstring>
#include <new>

#include "oleaut_internal.h"

// ---- BSTR ---------------------------------------------------------------------------------------
// One block: the byte length (4 bytes), the units, a terminator; the BSTR points at the units.

extern "C" BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
  if (len > (0x7FFFFFFFu - 8) / sizeof(OLECHAR)) return nullptr;
  uint32_t bytes = len * static_cast<uint32_t>(sizeof(OLECHAR));
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, sizeof bytes);
  auto* s = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
  if (text) {
    std::memcpy(s, text, bytes);
  } else {
    std::memset(s, 0, bytes);
  }
  s[len] = 0;
  return s;
}

extern "C" BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  UINT n = 0;
  while (text[n]) ++n;
  return SysAllocStringLen(text, n);
}

extern "C" void SysFreeString(BSTR bstr) {
  if (bstr) std::free(reinterpret_cast<unsigned char*>(bstr) - sizeof(uint32_t));
}

extern "C" UINT SysStringLen(BSTR bstr) {
  if (!bstr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<unsigned char*>(bstr) - sizeof(uint32_t), sizeof bytes);
  return bytes / sizeof(OLECHAR);
}

// ---- VARIANT ------------------------------------------------------------------------------------

namespace comrt {

size_t ScalarSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    default: return 0;
  }
}

bool ElementTypeOk(VARTYPE vt) { return ScalarSize(vt) != 0 || vt == VT_BSTR || vt == VT_VARIANT; }

bool VariantTypeOk(VARTYPE vt) {
  if (vt & VT_ARRAY) return ElementTypeOk(static_cast<VARTYPE>(vt & ~VT_ARRAY));
  return vt == VT_EMPTY || vt == VT_NULL || vt == VT_BSTR || ScalarSize(vt) != 0;
}

}  // namespace comrt

extern "C" void VariantInit(VARIANTARG* v) {
  if (v) v->vt = VT_EMPTY;
}

extern "C" HRESULT VariantClear(VARIANTARG* v) {
  if (!v) return E_INVALIDARG;
  if (!comrt::VariantTypeOk(v->vt)) return DISP_E_BADVARTYPE;
  if (v->vt & VT_ARRAY) {
    HRESULT hr = SafeArrayDestroy(v->parray);
    if (FAILED(hr)) return hr;
  } else if (v->vt == VT_BSTR) {
    SysFreeString(v->bstrVal);
  }
  v->vt = VT_EMPTY;
  return S_OK;
}

extern "C" HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!comrt::VariantTypeOk(src->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) return hr;
  VARIANT copy = *src;
  if (src->vt & VT_ARRAY) {
    copy.parray = nullptr;
    if (src->parray && !(copy.parray = comrt::SafeArrayCopyOf(src->parray))) return E_OUTOFMEMORY;
  } else if (src->vt == VT_BSTR && src->bstrVal) {
    copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  }
  *dest = copy;
  return S_OK;
}
