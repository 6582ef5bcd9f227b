// The user-marshal routines of BSTR, VARIANT and SAFEARRAY. Their bodies on the wire:
//   BSTR:      byte length (0xFFFFFFFF: null), unit count, the UTF-16 units
//   VARIANT:   at 8: the type (2 bytes, 6 bytes padding), then the value at its alignment, a BSTR body
//              or a SAFEARRAY body
//   SAFEARRAY: dimension count (0: null), element type, per dimension (first to last) element count
//              and lower bound, the total count, then the elements: scalars at their alignment, BSTR
//              or VARIANT bodies one after the other
#include <vector>

#include "oleaut_internal.h"
#include "wire.h"

using comrt::Bad;
using comrt::Reader;
using comrt::RpcFault;
using comrt::Writer;

namespace {

constexpr ULONG kOutOfMemory = 14;  // ERROR_OUTOFMEMORY

MIDL_STUB_MESSAGE* StubMsg(ULONG* flags) {
  auto* cb = reinterpret_cast<USER_MARSHAL_CB*>(flags);
  if (!cb || cb->Signature != USER_MARSHAL_CB_SIGNATURE || !cb->pStubMsg) throw RpcFault{RPC_S_INTERNAL_ERROR};
  return cb->pStubMsg;
}

Writer MarshalWriter(ULONG* flags, unsigned char* buffer) {
  MIDL_STUB_MESSAGE* sm = StubMsg(flags);
  if (buffer < sm->BufferStart || buffer > sm->BufferEnd) throw RpcFault{RPC_S_INTERNAL_ERROR};
  return Writer{sm->BufferStart, static_cast<size_t>(buffer - sm->BufferStart),
                static_cast<size_t>(sm->BufferEnd - sm->BufferStart)};
}

Reader UnmarshalReader(ULONG* flags, unsigned char* buffer) {
  MIDL_STUB_MESSAGE* sm = StubMsg(flags);
  if (buffer < sm->BufferStart || buffer > sm->BufferEnd) Bad();
  return Reader{sm->BufferStart, buffer, sm->BufferEnd};
}

// Keeps the nesting of VARIANTs and SAFEARRAYs being read within bounds.
struct Nest {
  MIDL_STUB_MESSAGE* sm;
  explicit Nest(MIDL_STUB_MESSAGE* m) : sm(m) {
    if (++sm->Depth > comrt::kMaxDepth) {
      --sm->Depth;
      Bad();
    }
  }
  ~Nest() { --sm->Depth; }
};

void PutSafeArray(Writer& w, SAFEARRAY* psa, int expectVt);
SAFEARRAY* GetSafeArray(Reader& r, MIDL_STUB_MESSAGE* sm, int expectVt);

void PutBstr(Writer& w, BSTR s) {
  w.Align(4);
  if (!s) {
    w.Value<uint32_t>(0xFFFFFFFF);
    w.Value<uint32_t>(0);
    return;
  }
  uint32_t n = SysStringLen(s);
  w.Value<uint32_t>(n * 2);
  w.Value<uint32_t>(n);
  w.Put(s, n * 2);
}

BSTR GetBstr(Reader& r) {
  uint32_t bytes = r.Value<uint32_t>();
  uint32_t n = r.Value<uint32_t>();
  if (bytes == 0xFFFFFFFF) {
    if (n != 0) Bad();
    return nullptr;
  }
  if (static_cast<uint64_t>(n) * 2 != bytes || bytes > r.Left()) Bad();
  BSTR s = SysAllocStringLen(nullptr, n);
  if (!s) throw RpcFault{kOutOfMemory};
  r.Get(s, bytes);
  return s;
}

void PutVariant(Writer& w, const VARIANT& v) {
  if (!comrt::VariantTypeOk(v.vt)) throw RpcFault{DISP_E_BADVARTYPE};
  w.Align(8);
  w.Value<uint16_t>(v.vt);
  const uint16_t pad[3] = {0, 0, 0};
  w.Put(pad, sizeof pad);
  if (v.vt & VT_ARRAY) {
    PutSafeArray(w, v.parray, v.vt & ~VT_ARRAY);
  } else if (v.vt == VT_BSTR) {
    PutBstr(w, v.bstrVal);
  } else if (size_t k = comrt::ScalarSize(v.vt)) {
    w.Align(k);
    w.Put(&v.llVal, k);
  }
}

void GetVariant(Reader& r, MIDL_STUB_MESSAGE* sm, VARIANT* out) {
  Nest nest(sm);
  r.Align(8);
  VARIANT v{};
  VARTYPE vt = r.Value<uint16_t>();
  uint16_t pad[3];
  r.Get(pad, sizeof pad);
  if (!comrt::VariantTypeOk(vt)) Bad();
  if (vt & VT_ARRAY) {
    v.parray = GetSafeArray(r, sm, vt & ~VT_ARRAY);
  } else if (vt == VT_BSTR) {
    v.bstrVal = GetBstr(r);
  } else if (size_t k = comrt::ScalarSize(vt)) {
    r.Align(k);
    r.Get(&v.llVal, k);
  }
  v.vt = vt;
  *out = v;
}

size_t MinWire(VARTYPE vt) {
  if (vt == VT_BSTR || vt == VT_VARIANT) return 8;
  return comrt::ScalarSize(vt);
}

void PutSafeArray(Writer& w, SAFEARRAY* psa, int expectVt) {
  w.Align(4);
  if (!psa) {
    w.Value<uint32_t>(0);
    return;
  }
  VARTYPE vt;
  if (FAILED(SafeArrayGetVartype(psa, &vt)) || !comrt::ElementTypeOk(vt) || (expectVt >= 0 && vt != expectVt))
    throw RpcFault{DISP_E_BADVARTYPE};
  w.Value<uint32_t>(psa->cDims);
  w.Value<uint32_t>(vt);
  for (UINT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
    w.Value<uint32_t>(b.cElements);
    w.Value<int32_t>(b.lLbound);
  }
  uint64_t n = comrt::SafeArrayCount(psa);
  w.Value<uint32_t>(static_cast<uint32_t>(n));
  if (vt == VT_BSTR) {
    auto* p = static_cast<BSTR*>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) PutBstr(w, p[i]);
  } else if (vt == VT_VARIANT) {
    auto* p = static_cast<VARIANT*>(psa->pvData);
    for (uint64_t i = 0; i < n; ++i) PutVariant(w, p[i]);
  } else {
    w.Align(psa->cbElements);
    w.Put(psa->pvData, n * psa->cbElements);
  }
}

SAFEARRAY* GetSafeArray(Reader& r, MIDL_STUB_MESSAGE* sm, int expectVt) {
  Nest nest(sm);
  uint32_t dims = r.Value<uint32_t>();
  if (dims == 0) return nullptr;
  uint32_t vt = r.Value<uint32_t>();
  if (vt > 0xFFFF || !comrt::ElementTypeOk(static_cast<VARTYPE>(vt)) || (expectVt >= 0 && vt != uint32_t(expectVt)))
    Bad();
  if (dims > 0xFFFF || static_cast<uint64_t>(dims) * 8 > r.Left()) Bad();
  std::vector<SAFEARRAYBOUND> bounds(dims);
  uint64_t total = 1;
  for (auto& b : bounds) {
    b.cElements = r.Value<uint32_t>();
    b.lLbound = r.Value<int32_t>();
    int64_t upper = static_cast<int64_t>(b.lLbound) + b.cElements - 1;
    if (upper > INT32_MAX || upper < INT32_MIN) Bad();
    total *= b.cElements;
    if (total > 0x7FFFFFFF) Bad();
  }
  if (r.Value<uint32_t>() != total || total * MinWire(static_cast<VARTYPE>(vt)) > r.Left()) Bad();
  SAFEARRAY* psa = SafeArrayCreate(static_cast<VARTYPE>(vt), dims, bounds.data());
  if (!psa) Bad();
  try {
    if (vt == VT_BSTR) {
      auto* p = static_cast<BSTR*>(psa->pvData);
      for (uint64_t i = 0; i < total; ++i) p[i] = GetBstr(r);
    } else if (vt == VT_VARIANT) {
      auto* p = static_cast<VARIANT*>(psa->pvData);
      for (uint64_t i = 0; i < total; ++i) GetVariant(r, sm, &p[i]);
    } else {
      r.Align(psa->cbElements);
      r.Get(psa->pvData, total * psa->cbElements);
    }
  } catch (...) {
    SafeArrayDestroy(psa);
    throw;
  }
  return psa;
}

template <class Put>
ULONG Size(ULONG start, Put put) {
  Writer w;
  w.off = start;
  put(w);
  return static_cast<ULONG>(w.off);
}

template <class Put>
unsigned char* Marshal(ULONG* flags, unsigned char* buffer, Put put) {
  Writer w = MarshalWriter(flags, buffer);
  put(w);
  return w.start + w.off;
}

// Reads a value, releases what *p held and stores the value there.
template <class T, class Get, class Drop>
unsigned char* Unmarshal(ULONG* flags, unsigned char* buffer, T* p, Get get, Drop drop) {
  Reader r = UnmarshalReader(flags, buffer);
  T v = get(r, StubMsg(flags));
  drop(p);
  *p = v;
  return const_cast<unsigned char*>(r.pos);
}

}  // namespace

extern "C" ULONG BSTR_UserSize(ULONG*, ULONG start, BSTR* p) {
  return Size(start, [&](Writer& w) { PutBstr(w, *p); });
}
extern "C" unsigned char* BSTR_UserMarshal(ULONG* flags, unsigned char* buffer, BSTR* p) {
  return Marshal(flags, buffer, [&](Writer& w) { PutBstr(w, *p); });
}
extern "C" unsigned char* BSTR_UserUnmarshal(ULONG* flags, unsigned char* buffer, BSTR* p) {
  return Unmarshal(
      flags, buffer, p, [](Reader& r, MIDL_STUB_MESSAGE*) { return GetBstr(r); }, [](BSTR* b) { SysFreeString(*b); });
}
extern "C" void BSTR_UserFree(ULONG*, BSTR* p) {
  SysFreeString(*p);
  *p = nullptr;
}

extern "C" ULONG VARIANT_UserSize(ULONG*, ULONG start, VARIANT* p) {
  return Size(start, [&](Writer& w) { PutVariant(w, *p); });
}
extern "C" unsigned char* VARIANT_UserMarshal(ULONG* flags, unsigned char* buffer, VARIANT* p) {
  return Marshal(flags, buffer, [&](Writer& w) { PutVariant(w, *p); });
}
extern "C" unsigned char* VARIANT_UserUnmarshal(ULONG* flags, unsigned char* buffer, VARIANT* p) {
  return Unmarshal(
      flags, buffer, p,
      [](Reader& r, MIDL_STUB_MESSAGE* sm) {
        VARIANT v;
        GetVariant(r, sm, &v);
        return v;
      },
      [](VARIANT* v) { VariantClear(v); });
}
extern "C" void VARIANT_UserFree(ULONG*, VARIANT* p) { VariantClear(p); }

extern "C" ULONG LPSAFEARRAY_UserSize(ULONG*, ULONG start, LPSAFEARRAY* p) {
  return Size(start, [&](Writer& w) { PutSafeArray(w, *p, -1); });
}
extern "C" unsigned char* LPSAFEARRAY_UserMarshal(ULONG* flags, unsigned char* buffer, LPSAFEARRAY* p) {
  return Marshal(flags, buffer, [&](Writer& w) { PutSafeArray(w, *p, -1); });
}
extern "C" unsigned char* LPSAFEARRAY_UserUnmarshal(ULONG* flags, unsigned char* buffer, LPSAFEARRAY* p) {
  return Unmarshal(
      flags, buffer, p, [](Reader& r, MIDL_STUB_MESSAGE* sm) { return GetSafeArray(r, sm, -1); },
      [](LPSAFEARRAY* a) { SafeArrayDestroy(*a); });
}
extern "C" void LPSAFEARRAY_UserFree(ULONG*, LPSAFEARRAY* p) {
  SafeArrayDestroy(*p);
  *p = nullptr;
}
