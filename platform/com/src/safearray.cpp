// SAFEARRAY: a descriptor (with its element type kept in the 4 bytes in front of it) and one data
// block in which dimension 1 varies fastest.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "oleaut_internal.h"

namespace {

constexpr size_t kPrefix = 16;  // room in front of the descriptor; its last 4 bytes hold the VARTYPE
constexpr uint64_t kMaxBytes = 0x7FFFFFFF;

size_t ElementSize(VARTYPE vt) {
  if (vt == VT_BSTR) return sizeof(BSTR);
  if (vt == VT_VARIANT) return sizeof(VARIANT);
  return comrt::ScalarSize(vt);
}

void FreeDescriptor(SAFEARRAY* psa) { std::free(reinterpret_cast<unsigned char*>(psa) - kPrefix); }

void ClearElements(SAFEARRAY* psa) {
  uint64_t n = comrt::SafeArrayCount(psa);
  if (psa->fFeatures & FADF_BSTR) {
    auto* p = static_cast<BSTR*>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) SysFreeString(p[i]);
  } else if (psa->fFeatures & FADF_VARIANT) {
    auto* p = static_cast<VARIANT*>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) VariantClear(&p[i]);
  }
}

// The element's address, or null when an index lies outside its dimension.
void* ElementAt(SAFEARRAY* psa, const LONG* rgIndices) {
  uint64_t offset = 0, stride = 1;
  for (UINT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
    int64_t i = static_cast<int64_t>(rgIndices[d]) - b.lLbound;
    if (i < 0 || i >= static_cast<int64_t>(b.cElements)) return nullptr;
    offset += static_cast<uint64_t>(i) * stride;
    stride *= b.cElements;
  }
  return static_cast<unsigned char*>(psa->pvData) + offset * psa->cbElements;
}

}  // namespace

namespace comrt {

uint64_t SafeArrayCount(const SAFEARRAY* psa) {
  uint64_t n = 1;
  for (UINT d = 0; d < psa->cDims; ++d) n *= psa->rgsabound[d].cElements;
  return n;
}

SAFEARRAY* SafeArrayCopyOf(SAFEARRAY* psa) {
  VARTYPE vt;
  if (FAILED(SafeArrayGetVartype(psa, &vt))) return nullptr;
  std::vector<SAFEARRAYBOUND> bounds(psa->cDims);
  for (UINT d = 0; d < psa->cDims; ++d) bounds[d] = psa->rgsabound[psa->cDims - 1 - d];
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds.data());
  if (!copy) return nullptr;
  uint64_t n = SafeArrayCount(psa);
  if (vt == VT_BSTR) {
    auto* from = static_cast<BSTR*>(psa->pvData);
    auto* to = static_cast<BSTR*>(copy->pvData);
    for (uint64_t i = 0; i < n; ++i) {
      if (from[i] && !(to[i] = SysAllocStringLen(from[i], SysStringLen(from[i])))) {
        SafeArrayDestroy(copy);
        return nullptr;
      }
    }
  } else if (vt == VT_VARIANT) {
    auto* from = static_cast<VARIANT*>(psa->pvData);
    auto* to = static_cast<VARIANT*>(copy->pvData);
    for (uint64_t i = 0; i < n; ++i) {
      if (FAILED(VariantCopy(&to[i], &from[i]))) {
        SafeArrayDestroy(copy);
        return nullptr;
      }
    }
  } else if (n) {
    std::memcpy(copy->pvData, psa->pvData, n * psa->cbElements);
  }
  return copy;
}

}  // namespace comrt

extern "C" SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  if (!comrt::ElementTypeOk(vt) || cDims == 0 || cDims > 0xFFFF || !rgsabound) return nullptr;
  size_t size = ElementSize(vt);
  uint64_t count = 1;
  for (UINT d = 0; d < cDims; ++d) {
    int64_t upper = static_cast<int64_t>(rgsabound[d].lLbound) + rgsabound[d].cElements - 1;
    if (upper > INT32_MAX || upper < INT32_MIN) return nullptr;
    count *= rgsabound[d].cElements;
    if (count * size > kMaxBytes) return nullptr;
  }
  size_t descriptor = sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<unsigned char*>(std::calloc(1, kPrefix + descriptor));
  if (!block) return nullptr;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
  uint32_t stored = vt;
  std::memcpy(block + kPrefix - sizeof stored, &stored, sizeof stored);
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FADF_HAVEVARTYPE | (vt == VT_BSTR ? FADF_BSTR : 0) | (vt == VT_VARIANT ? FADF_VARIANT : 0);
  psa->cbElements = static_cast<ULONG>(size);
  for (UINT d = 0; d < cDims; ++d) psa->rgsabound[cDims - 1 - d] = rgsabound[d];
  psa->pvData = std::calloc(count ? count : 1, size);
  if (!psa->pvData) {
    std::free(block);
    return nullptr;
  }
  return psa;
}

extern "C" SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

extern "C" HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa);
  std::free(psa->pvData);
  FreeDescriptor(psa);
  return S_OK;
}

extern "C" HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0xFFFF) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

extern "C" HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

extern "C" HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (SUCCEEDED(hr)) *ppvData = psa->pvData;
  return hr;
}

extern "C" HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

extern "C" HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  void* at = ElementAt(psa, rgIndices);
  if (!at) return DISP_E_BADINDEX;
  if (psa->fFeatures & FADF_BSTR) {
    BSTR s = *static_cast<BSTR*>(at);
    BSTR copy = nullptr;
    if (s && !(copy = SysAllocStringLen(s, SysStringLen(s)))) return E_OUTOFMEMORY;
    *static_cast<BSTR*>(pv) = copy;
    return S_OK;
  }
  if (psa->fFeatures & FADF_VARIANT) {
    VariantInit(static_cast<VARIANT*>(pv));
    return VariantCopy(static_cast<VARIANT*>(pv), static_cast<VARIANT*>(at));
  }
  std::memcpy(pv, at, psa->cbElements);
  return S_OK;
}

extern "C" HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  void* at = ElementAt(psa, rgIndices);
  if (!at) return DISP_E_BADINDEX;
  if (psa->fFeatures & FADF_BSTR) {
    BSTR s = static_cast<BSTR>(pv);
    BSTR copy = nullptr;
    if (s && !(copy = SysAllocStringLen(s, SysStringLen(s)))) return E_OUTOFMEMORY;
    SysFreeString(*static_cast<BSTR*>(at));
    *static_cast<BSTR*>(at) = copy;
    return S_OK;
  }
  if (!pv) return E_INVALIDARG;
  if (psa->fFeatures & FADF_VARIANT) return VariantCopy(static_cast<VARIANT*>(at), static_cast<VARIANT*>(pv));
  std::memcpy(at, pv, psa->cbElements);
  return S_OK;
}

extern "C" HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

extern "C" HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(static_cast<int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

extern "C" UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

extern "C" UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

extern "C" HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (!(psa->fFeatures & FADF_HAVEVARTYPE)) return E_INVALIDARG;
  uint32_t stored;
  std::memcpy(&stored, reinterpret_cast<unsigned char*>(psa) - sizeof stored, sizeof stored);
  *pvt = static_cast<VARTYPE>(stored);
  return S_OK;
}
