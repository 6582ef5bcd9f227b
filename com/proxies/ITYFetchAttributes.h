// ITYFetchAttributes: fetches attribute values in SAFEARRAYs. An [out] SAFEARRAY is made by the
// callee and destroyed by the caller (SafeArrayDestroy).
#pragma once
#include <cstdint>

#include "oleauto.h"

// {12410E5A-0C7A-4B85-9D1E-938C0F4A7EC9}
inline constexpr IID IID_ITYFetchAttributes = {0x12410e5a, 0x0c7a, 0x4b85,
                                               {0x9d, 0x1e, 0x93, 0x8c, 0x0f, 0x4a, 0x7e, 0xc9}};

class ITYFetchAttributes : public IUnknown {
 public:
  // slot 3
  virtual HRESULT STDMETHODCALLTYPE SetSource(BSTR source) = 0;
  // slot 4
  virtual HRESULT STDMETHODCALLTYPE CountAttributes(SAFEARRAY* keys, int32_t* count) = 0;
  // slot 5
  virtual HRESULT STDMETHODCALLTYPE FetchAttributes(SAFEARRAY* keys, SAFEARRAY** values) = 0;
  // slot 6
  virtual HRESULT STDMETHODCALLTYPE FetchNamed(int32_t nameCount, BSTR* names, SAFEARRAY** values) = 0;
};
