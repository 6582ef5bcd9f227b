#include "Recording.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

namespace rec {
namespace {

std::string Hex(const void* data, size_t n) {
  static const char digits[] = "0123456789abcdef";
  auto* p = static_cast<const unsigned char*>(data);
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

// The bytes of a scalar VARIANT's value: the element size of an array of that type (0 for others).
size_t ScalarSize(VARTYPE vt) {
  if (vt == VT_BSTR || vt == VT_VARIANT) return 0;
  SAFEARRAY* one = SafeArrayCreateVector(vt, 0, 1);
  size_t n = SafeArrayGetElemsize(one);
  SafeArrayDestroy(one);
  return n;
}

}  // namespace

std::string D(BSTR b) {
  if (!b) return "~";
  UINT n = SysStringLen(b);
  return "B" + std::to_string(n) + ":" + Hex(b, n * 2);
}

std::string D(const VARIANT& v) {
  std::string s = "V" + std::to_string(v.vt) + "(";
  if (v.vt & VT_ARRAY) {
    s += D(v.parray);
  } else if (v.vt == VT_BSTR) {
    s += D(v.bstrVal);
  } else {
    s += Hex(&v.llVal, ScalarSize(v.vt));
  }
  return s + ")";
}

std::string D(SAFEARRAY* psa) {
  if (!psa) return "~";
  VARTYPE vt = 0;
  SafeArrayGetVartype(psa, &vt);
  UINT dims = SafeArrayGetDim(psa);
  std::string s = "A" + std::to_string(vt) + "[";
  size_t total = 1;
  for (UINT d = 1; d <= dims; ++d) {
    LONG lb = 0, ub = 0;
    SafeArrayGetLBound(psa, d, &lb);
    SafeArrayGetUBound(psa, d, &ub);
    s += std::to_string(lb) + ".." + std::to_string(ub) + ";";
    total *= static_cast<size_t>(int64_t(ub) - lb + 1);
  }
  s += "]{";
  void* data = nullptr;
  SafeArrayAccessData(psa, &data);
  for (size_t i = 0; i < total; ++i) {
    if (vt == VT_BSTR) {
      s += D(static_cast<BSTR*>(data)[i]) + ",";
    } else if (vt == VT_VARIANT) {
      s += D(static_cast<VARIANT*>(data)[i]) + ",";
    } else {
      s += Hex(static_cast<char*>(data) + i * psa->cbElements, psa->cbElements) + ",";
    }
  }
  SafeArrayUnaccessData(psa);
  return s + "}";
}

std::string D(const TYOneString& s) { return "S(" + D(s.text) + ")"; }

std::string D(const TYNumeric& n) { return "N(" + Hex(n.values, sizeof n.values) + "," + D(n.kind) + ")"; }

std::string D(const TYNameEntry& e) {
  return "E(" + D(e.name) + "," + D(e.count) + "," + Array(e.count, e.values) + ")";
}

std::string D(const TYValueEntry& e) {
  return "W(" + D(e.name) + "," + D(e.text) + "," + D(e.kind) + "," + D(e.count) + "," + Array(e.count, e.values) +
         ")";
}

std::string D(const TYItemList& l) {
  return "L(" + D(l.nameCount) + "," + Array(l.nameCount, l.names) + "," + D(l.valueCount) + "," +
         Array(l.valueCount, l.values) + "," + D(l.numericCount) + "," + Array(l.numericCount, l.numerics) + "," +
         D(l.first) + "," + D(l.second) + "," + D(l.kind) + ")";
}

std::string D(const TYQueryEntry& q) { return "Q(" + D(q.text) + "," + D(q.first) + "," + D(q.second) + ")"; }

std::string D(const TYResultEntry& r) {
  return "R(" + D(r.text1) + "," + D(r.text2) + "," + D(r.long1) + "," + D(r.text3) + "," + D(r.text4) + "," +
         D(r.long2) + "," + D(r.long3) + "," + D(r.long4) + ")";
}

std::string Bytes(int32_t n, const BYTE* p) { return p ? "X" + Hex(p, n > 0 ? n : 0) : "~"; }

std::string Call(int slot, std::initializer_list<std::string> parts) {
  std::string s = std::to_string(slot);
  for (const std::string& p : parts) s += "|" + p;
  return s;
}

std::u16string Wide(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    uint32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    if (c >= 0x10000) {
      out += char16_t(0xD800 + ((c - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

BSTR Bstr(const std::u16string& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

std::string DText(const std::u16string& s) {
  return "B" + std::to_string(s.size()) + ":" + Hex(s.data(), s.size() * 2);
}

std::vector<std::string> TextResults(const std::string& call) {
  return {DText(Wide(call)), DText(std::u16string(u"a\0b", 3)), DText(u"\U0001F600x"), "~"};
}

// ---- the server ----

HRESULT RecordingServer::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_ITYGenericServices) {
    *ppv = static_cast<ITYGenericServices*>(this);
  } else if (riid == IID_ITYFetchAttributes) {
    *ppv = static_cast<ITYFetchAttributes*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT RecordingServer::GiveBytes(const std::string& call, int32_t code, int32_t* count, BYTE** bytes) {
  record_(call);
  if (code == kFailCode) return kServerFailure;
  *count = static_cast<int32_t>(call.size());
  *bytes = static_cast<BYTE*>(CoTaskMemAlloc(call.size()));
  std::memcpy(*bytes, call.data(), call.size());
  return S_OK;
}

HRESULT RecordingServer::GiveTexts(const std::string& call, int32_t* count, BSTR** texts) {
  record_(call);
  *count = 4;
  *texts = static_cast<BSTR*>(CoTaskMemAlloc(4 * sizeof(BSTR)));
  (*texts)[0] = Bstr(Wide(call));
  (*texts)[1] = SysAllocStringLen(u"a\0b", 3);
  (*texts)[2] = SysAllocString(u"\U0001F600x");
  (*texts)[3] = nullptr;
  return S_OK;
}

HRESULT RecordingServer::ProcessList(TYOneString context, BSTR name, TYItemList list, int32_t flags, int32_t* count,
                                     BYTE** bytes) {
  return GiveBytes(Call(3, {D(context), D(name), D(list), D(flags)}), flags, count, bytes);
}
HRESULT RecordingServer::ProcessNamedList(TYOneString context, int32_t nameCount, BSTR* names, TYItemList list,
                                          int32_t flags, int32_t* count, BYTE** bytes) {
  return GiveBytes(Call(4, {D(context), D(nameCount), Array(nameCount, names), D(list), D(flags)}), flags, count,
                   bytes);
}
HRESULT RecordingServer::ProcessTypedList(TYOneString context, BSTR name, BSTR type, TYEnum kind, TYItemList list,
                                          int32_t first, int32_t second, int32_t third, int32_t* count, BYTE** bytes) {
  return GiveBytes(Call(5, {D(context), D(name), D(type), D(kind), D(list), D(first), D(second), D(third)}), first,
                   count, bytes);
}
HRESULT RecordingServer::ProcessNamedTypedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR type,
                                               TYEnum kind, int32_t first, TYItemList list, int32_t second,
                                               int32_t third, int32_t* count, BYTE** bytes) {
  return GiveBytes(Call(6, {D(context), D(nameCount), Array(nameCount, names), D(type), D(kind), D(first), D(list),
                            D(second), D(third)}),
                   first, count, bytes);
}
HRESULT RecordingServer::Query(TYOneString context, int32_t flags, int32_t queryCount, TYQueryEntry* queries,
                               int32_t* count, TYResultEntry** results) {
  std::string call = Call(7, {D(context), D(flags), D(queryCount), Array(queryCount, queries)});
  record_(call);
  if (flags == kFailCode) return kServerFailure;
  *count = queryCount + 1;
  *results = static_cast<TYResultEntry*>(CoTaskMemAlloc(sizeof(TYResultEntry) * (queryCount + 1)));
  for (int32_t i = 0; i <= queryCount; ++i) {
    TYResultEntry& r = (*results)[i];
    bool last = i == queryCount;
    r.text1 = last              ? Bstr(Wide(call))
              : queries[i].text ? SysAllocStringLen(queries[i].text, SysStringLen(queries[i].text))
                                : nullptr;
    r.text2 = nullptr;
    r.long1 = last ? -1 : queries[i].first;
    r.text3 = SysAllocString(u"");
    r.text4 = SysAllocString(u"\U0001F600");
    r.long2 = last ? -2 : queries[i].second;
    r.long3 = i;
    r.long4 = -i;
  }
  return S_OK;
}
HRESULT RecordingServer::UpdateNamedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR name,
                                         TYItemList list, int32_t flags, int32_t* count, BYTE** bytes) {
  return GiveBytes(Call(8, {D(context), D(nameCount), Array(nameCount, names), D(name), D(list), D(flags)}), flags,
                   count, bytes);
}
HRESULT RecordingServer::ProcessBytes(TYOneString context, int32_t byteCount, BYTE* data, int32_t* count,
                                      BYTE** bytes) {
  return GiveBytes(Call(9, {D(context), D(byteCount), Bytes(byteCount, data)}), 0, count, bytes);
}
HRESULT RecordingServer::Notify(int32_t code, BSTR text) {
  record_(Call(10, {D(code), D(text)}));
  if (code == kDieCode) raise(SIGKILL);
  return code == kFailCode ? kServerFailure : S_OK;
}
HRESULT RecordingServer::PutBytes(int32_t code, BSTR name, int32_t byteCount, BYTE* data, int32_t* count,
                                  BYTE** bytes) {
  return GiveBytes(Call(11, {D(code), D(name), D(byteCount), Bytes(byteCount, data)}), code, count, bytes);
}
HRESULT RecordingServer::ProcessNumerics(TYOneString context, BSTR name, int32_t numericCount, TYNumeric* numerics,
                                         int32_t* count, BSTR** texts) {
  return GiveTexts(Call(12, {D(context), D(name), D(numericCount), Array(numericCount, numerics)}), count, texts);
}
HRESULT RecordingServer::Lookup3(TYOneString context, BSTR a1, BSTR a2, BSTR a3, int32_t first, int32_t second,
                                 BSTR b1, BSTR b2, BSTR b3, BSTR b4, int32_t* count, BSTR** texts) {
  return GiveTexts(Call(13, {D(context), D(a1), D(a2), D(a3), D(first), D(second), D(b1), D(b2), D(b3), D(b4)}),
                   count, texts);
}
HRESULT RecordingServer::Lookup4(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                 int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5, int32_t* count,
                                 BSTR** texts) {
  return GiveTexts(Call(14, {D(context), D(a1), D(a2), D(a3), D(a4), D(first), D(second), D(b1), D(b2), D(b3),
                             D(b4), D(b5)}),
                   count, texts);
}
HRESULT RecordingServer::Lookup2(TYOneString context, BSTR a1, BSTR a2, int32_t first, int32_t* count,
                                 BSTR** texts) {
  return GiveTexts(Call(15, {D(context), D(a1), D(a2), D(first)}), count, texts);
}
HRESULT RecordingServer::LookupNumeric(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                       int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5, TYNumeric numeric,
                                       int32_t* count, BSTR** texts) {
  return GiveTexts(Call(16, {D(context), D(a1), D(a2), D(a3), D(a4), D(first), D(second), D(b1), D(b2), D(b3),
                             D(b4), D(b5), D(numeric)}),
                   count, texts);
}
HRESULT RecordingServer::LookupNumericRange(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                            int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5,
                                            TYNumeric numeric, int32_t from, int32_t to, int32_t* count,
                                            BSTR** texts) {
  return GiveTexts(Call(17, {D(context), D(a1), D(a2), D(a3), D(a4), D(first), D(second), D(b1), D(b2), D(b3),
                             D(b4), D(b5), D(numeric), D(from), D(to)}),
                   count, texts);
}

HRESULT RecordingServer::SetSource(BSTR source) {
  record_(Call(3, {D(source)}));
  return source && std::u16string(source) == u"fail" ? kServerFailure : S_OK;
}
HRESULT RecordingServer::CountAttributes(SAFEARRAY* keys, int32_t* count) {
  record_(Call(4, {D(keys)}));
  if (!keys) {
    *count = -1;
    return S_OK;
  }
  int64_t n = 1;
  for (UINT d = 1; d <= SafeArrayGetDim(keys); ++d) {
    LONG lb, ub;
    SafeArrayGetLBound(keys, d, &lb);
    SafeArrayGetUBound(keys, d, &ub);
    n *= int64_t(ub) - lb + 1;
  }
  *count = static_cast<int32_t>(n);
  return S_OK;
}
HRESULT RecordingServer::FetchAttributes(SAFEARRAY* keys, SAFEARRAY** values) {
  record_(Call(5, {D(keys)}));
  if (!keys) return S_OK;
  VARIANT from, to;
  VARTYPE vt;
  SafeArrayGetVartype(keys, &vt);
  from.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
  from.parray = keys;
  VariantInit(&to);
  HRESULT hr = VariantCopy(&to, &from);
  if (SUCCEEDED(hr)) *values = to.parray;
  return hr;
}
HRESULT RecordingServer::FetchNamed(int32_t nameCount, BSTR* names, SAFEARRAY** values) {
  record_(Call(6, {D(nameCount), Array(nameCount, names)}));
  *values = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(nameCount));
  for (LONG i = 0; i < nameCount; ++i) SafeArrayPutElement(*values, &i, names[i]);
  return S_OK;
}

// ---- inputs ----

std::vector<VARIANT> EveryVariantKind() {
  std::vector<VARIANT> v;
  auto add = [&](VARTYPE vt, auto set) {
    VARIANT x{};
    x.vt = vt;
    set(x);
    v.push_back(x);
  };
  add(VT_EMPTY, [](VARIANT&) {});
  add(VT_NULL, [](VARIANT&) {});
  add(VT_I1, [](VARIANT& x) { x.cVal = -5; });
  add(VT_UI1, [](VARIANT& x) { x.bVal = 250; });
  add(VT_I2, [](VARIANT& x) { x.iVal = -30000; });
  add(VT_UI2, [](VARIANT& x) { x.uiVal = 60000; });
  add(VT_I4, [](VARIANT& x) { x.lVal = -2000000000; });
  add(VT_UI4, [](VARIANT& x) { x.ulVal = 4000000000u; });
  add(VT_INT, [](VARIANT& x) { x.intVal = 17; });
  add(VT_UINT, [](VARIANT& x) { x.uintVal = 18; });
  add(VT_I8, [](VARIANT& x) { x.llVal = -(1LL << 60); });
  add(VT_UI8, [](VARIANT& x) { x.ullVal = ~0ULL; });
  add(VT_R4, [](VARIANT& x) { x.fltVal = 1.5f; });
  add(VT_R8, [](VARIANT& x) { x.dblVal = -2.25e300; });
  add(VT_CY, [](VARIANT& x) { x.cyVal.int64 = 123456789; });
  add(VT_DATE, [](VARIANT& x) { x.date = 45000.5; });
  add(VT_BOOL, [](VARIANT& x) { x.boolVal = VARIANT_TRUE; });
  add(VT_ERROR, [](VARIANT& x) { x.scode = static_cast<SCODE>(0x80020004); });
  add(VT_BSTR, [](VARIANT& x) { x.bstrVal = nullptr; });
  add(VT_BSTR, [](VARIANT& x) { x.bstrVal = SysAllocString(u""); });
  add(VT_BSTR, [](VARIANT& x) { x.bstrVal = SysAllocStringLen(u"n\0ul", 4); });
  add(VT_BSTR, [](VARIANT& x) { x.bstrVal = SysAllocString(u"\U0001F600\U00010348"); });
  add(VT_ARRAY | VT_I4, [](VARIANT& x) {
    x.parray = SafeArrayCreateVector(VT_I4, 1, 3);
    for (LONG i = 1; i <= 3; ++i) {
      LONG v = i * 11;
      SafeArrayPutElement(x.parray, &i, &v);
    }
  });
  add(VT_ARRAY | VT_BSTR, [](VARIANT& x) {
    SAFEARRAYBOUND b[2] = {{2, 0}, {2, 5}};
    x.parray = SafeArrayCreate(VT_BSTR, 2, b);
    LONG at[2] = {1, 6};
    BSTR corner = SysAllocString(u"corner");
    SafeArrayPutElement(x.parray, at, corner);  // copied in
    SysFreeString(corner);
  });
  add(VT_ARRAY | VT_VARIANT, [](VARIANT& x) {
    x.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT inner{};
    inner.vt = VT_R8;
    inner.dblVal = 3.5;
    LONG i = 1;
    SafeArrayPutElement(x.parray, &i, &inner);
  });
  add(VT_ARRAY | VT_R8, [](VARIANT& x) { x.parray = nullptr; });
  return v;
}

Inputs::Inputs() {
  empty = Own(SysAllocString(u""));
  embedded = Own(SysAllocStringLen(u"em\0bed\0", 7));
  astral = Own(SysAllocString(u"\U0001F600 \U00010348 \u00e9"));
  plain = Own(SysAllocString(u"plain"));
  context.text = Own(SysAllocString(u"context"));
  names = {plain, null, empty, embedded, astral};

  // rich: two name entries (one with every kind of BSTR, one with none), three value entries (every
  // VARIANT kind, an empty array, none) and two numeric records
  bstrArrays_.push_back({plain, null, empty, embedded, astral});
  nameArrays_.push_back({TYNameEntry{plain, 5, bstrArrays_.back().data()}, TYNameEntry{null, 0, nullptr}});
  variantArrays_.push_back(EveryVariantKind());
  variantArrays_.push_back(std::vector<VARIANT>(1));  // storage for an empty array
  valueArrays_.push_back({TYValueEntry{plain, astral, TYEnum(3), static_cast<int32_t>(variantArrays_[0].size()),
                                       variantArrays_[0].data()},
                          TYValueEntry{empty, null, TYEnum(0), 0, variantArrays_[1].data()},
                          TYValueEntry{null, null, TYEnum(32767), 0, nullptr}});
  TYNumeric n1{{1.5, -2.5, 0.0, 1e300, -1e-300, 3.25, 7.0}, TYEnum(1)};
  TYNumeric n2{{0, 0, 0, 0, 0, 0, -0.0}, TYEnum(2)};
  numericArrays_.push_back({n1, n2});
  rich = TYItemList{2, nameArrays_[0].data(), 3, valueArrays_[0].data(), 2, numericArrays_[0].data(), 10, -20,
                    TYEnum(4)};
  bare = TYItemList{0, nullptr, 0, nullptr, 0, nullptr, 0, 0, TYEnum(0)};
  nameArrays_.push_back(std::vector<TYNameEntry>(1));
  valueArrays_.push_back(std::vector<TYValueEntry>(1));
  numericArrays_.push_back(std::vector<TYNumeric>(1));
  hollow = TYItemList{0, nameArrays_[1].data(), 0, valueArrays_[1].data(), 0, numericArrays_[1].data(), 1, 2,
                      TYEnum(5)};

  queries = {TYQueryEntry{plain, 1, 2}, TYQueryEntry{null, -3, 4}, TYQueryEntry{embedded, 0, 0}};
  numerics = {n1, n2, n1};
  bytes = {0, 1, 2, 0xFF, 0x80, 0};

  variants = VariantVector(static_cast<int>(variantArrays_[0].size()));
  SAFEARRAYBOUND b[2] = {{3, -1}, {2, 7}};
  matrix = SafeArrayCreate(VT_BSTR, 2, b);
  LONG at[2] = {-1, 7};
  for (BSTR s : {plain, embedded, astral}) {
    SafeArrayPutElement(matrix, at, s);
    ++at[0];
  }
  doubles = SafeArrayCreateVector(VT_R8, -2, 4);
  for (LONG i = -2; i < 2; ++i) {
    double d = i * 0.5;
    SafeArrayPutElement(doubles, &i, &d);
  }
  vacant = SafeArrayCreateVector(VT_I4, 0, 0);
}

Inputs::~Inputs() {
  for (auto& a : variantArrays_)
    for (VARIANT& v : a) VariantClear(&v);
  for (BSTR b : owned_) SysFreeString(b);
  for (SAFEARRAY* a : {variants, matrix, doubles, vacant}) SafeArrayDestroy(a);
}

BSTR Inputs::Own(BSTR b) {
  owned_.push_back(b);
  return b;
}

SAFEARRAY* Inputs::VariantVector(int n) {
  std::vector<VARIANT> kinds = EveryVariantKind();
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(n));
  for (LONG i = 0; i < n; ++i) SafeArrayPutElement(psa, &i, &kinds[i % kinds.size()]);
  for (VARIANT& v : kinds) VariantClear(&v);
  return psa;
}

void FreeTexts(int32_t n, BSTR* texts) {
  if (!texts) return;
  for (int32_t i = 0; i < n; ++i) SysFreeString(texts[i]);
  CoTaskMemFree(texts);
}

void FreeResults(int32_t n, TYResultEntry* results) {
  if (!results) return;
  for (int32_t i = 0; i < n; ++i) {
    for (BSTR b : {results[i].text1, results[i].text2, results[i].text3, results[i].text4}) SysFreeString(b);
  }
  CoTaskMemFree(results);
}

}  // namespace rec
