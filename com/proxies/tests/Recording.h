// Test support: the canonical text of every value the two interfaces carry, a server that records the
// text of each call it receives and answers with results derived from it, and a set of inputs that
// covers the shapes worth sending.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "ITYFetchAttributes.h"
#include "ITYGenericServices.h"

namespace rec {

constexpr int32_t kFailCode = -7;   // a long argument that makes the server fail
constexpr int32_t kDieCode = -9;    // Notify's code that kills the server's process mid-call
constexpr HRESULT kServerFailure = static_cast<HRESULT>(0x80040201);

// ---- canonical text: equal text, equal values (null and empty, lengths and embedded NULs kept) ----
std::string D(BSTR b);
std::string D(const VARIANT& v);
std::string D(SAFEARRAY* psa);
std::string D(const TYOneString& s);
std::string D(const TYNumeric& n);
std::string D(const TYNameEntry& e);
std::string D(const TYValueEntry& e);
std::string D(const TYItemList& l);
std::string D(const TYQueryEntry& q);
std::string D(const TYResultEntry& r);
inline std::string D(int32_t v) { return std::to_string(v); }
inline std::string D(TYEnum v) { return "e" + std::to_string(static_cast<int>(v)); }
std::string Bytes(int32_t n, const BYTE* p);
template <class T>
std::string Array(int32_t n, const T* p) {
  if (!p) return "~";
  std::string s = "[";
  for (int32_t i = 0; i < n; ++i) s += (i ? "," : "") + D(p[i]);
  return s + "]";
}
// "slot|a|b|..."
std::string Call(int slot, std::initializer_list<std::string> parts);

std::u16string Wide(const std::string& utf8);
BSTR Bstr(const std::u16string& s);

std::string DText(const std::u16string& s);  // the text of a BSTR holding s
// The BSTR results of every "out BSTRs" method: the call's text, then fixed ones.
std::vector<std::string> TextResults(const std::string& call);

// ---- the server ----
class RecordingServer final : public ITYGenericServices, public ITYFetchAttributes {
 public:
  explicit RecordingServer(std::function<void(const std::string&)> record) : record_(std::move(record)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }

  HRESULT STDMETHODCALLTYPE ProcessList(TYOneString context, BSTR name, TYItemList list, int32_t flags,
                                        int32_t* count, BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE ProcessNamedList(TYOneString context, int32_t nameCount, BSTR* names, TYItemList list,
                                             int32_t flags, int32_t* count, BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE ProcessTypedList(TYOneString context, BSTR name, BSTR type, TYEnum kind, TYItemList list,
                                             int32_t first, int32_t second, int32_t third, int32_t* count,
                                             BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE ProcessNamedTypedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR type,
                                                  TYEnum kind, int32_t first, TYItemList list, int32_t second,
                                                  int32_t third, int32_t* count, BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE Query(TYOneString context, int32_t flags, int32_t queryCount, TYQueryEntry* queries,
                                  int32_t* count, TYResultEntry** results) override;
  HRESULT STDMETHODCALLTYPE UpdateNamedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR name,
                                            TYItemList list, int32_t flags, int32_t* count, BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE ProcessBytes(TYOneString context, int32_t byteCount, BYTE* data, int32_t* count,
                                         BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE Notify(int32_t code, BSTR text) override;
  HRESULT STDMETHODCALLTYPE PutBytes(int32_t code, BSTR name, int32_t byteCount, BYTE* data, int32_t* count,
                                     BYTE** bytes) override;
  HRESULT STDMETHODCALLTYPE ProcessNumerics(TYOneString context, BSTR name, int32_t numericCount, TYNumeric* numerics,
                                            int32_t* count, BSTR** texts) override;
  HRESULT STDMETHODCALLTYPE Lookup3(TYOneString context, BSTR a1, BSTR a2, BSTR a3, int32_t first, int32_t second,
                                    BSTR b1, BSTR b2, BSTR b3, BSTR b4, int32_t* count, BSTR** texts) override;
  HRESULT STDMETHODCALLTYPE Lookup4(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                    int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5, int32_t* count,
                                    BSTR** texts) override;
  HRESULT STDMETHODCALLTYPE Lookup2(TYOneString context, BSTR a1, BSTR a2, int32_t first, int32_t* count,
                                    BSTR** texts) override;
  HRESULT STDMETHODCALLTYPE LookupNumeric(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                          int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5,
                                          TYNumeric numeric, int32_t* count, BSTR** texts) override;
  HRESULT STDMETHODCALLTYPE LookupNumericRange(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4,
                                               int32_t first, int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4,
                                               BSTR b5, TYNumeric numeric, int32_t from, int32_t to, int32_t* count,
                                               BSTR** texts) override;

  HRESULT STDMETHODCALLTYPE SetSource(BSTR source) override;
  HRESULT STDMETHODCALLTYPE CountAttributes(SAFEARRAY* keys, int32_t* count) override;
  HRESULT STDMETHODCALLTYPE FetchAttributes(SAFEARRAY* keys, SAFEARRAY** values) override;
  HRESULT STDMETHODCALLTYPE FetchNamed(int32_t nameCount, BSTR* names, SAFEARRAY** values) override;

  std::atomic<ULONG> refs{0};

 private:
  HRESULT GiveBytes(const std::string& call, int32_t code, int32_t* count, BYTE** bytes);
  HRESULT GiveTexts(const std::string& call, int32_t* count, BSTR** texts);

  std::function<void(const std::string&)> record_;
};

// ---- inputs ----
// Owns every value it hands out.
class Inputs {
 public:
  Inputs();
  ~Inputs();
  Inputs(const Inputs&) = delete;
  Inputs& operator=(const Inputs&) = delete;

  TYOneString context{};
  BSTR null = nullptr, empty, embedded, astral, plain;  // astral: characters beyond the BMP
  std::vector<BSTR> names;                            // every kind of BSTR above
  TYItemList rich{};    // nested entries, every VARIANT kind, null and empty inner arrays
  TYItemList bare{};    // counts 0, null pointers
  TYItemList hollow{};  // counts 0, pointers to empty arrays
  std::vector<TYQueryEntry> queries;
  std::vector<TYNumeric> numerics;
  std::vector<BYTE> bytes;
  SAFEARRAY* variants;  // 1-dimensional VT_VARIANT of every VARIANT kind
  SAFEARRAY* matrix;    // 2-dimensional VT_BSTR
  SAFEARRAY* doubles;   // VT_R8 with a negative lower bound
  SAFEARRAY* vacant;    // VT_I4 without elements

  // A VT_VARIANT vector of n VARIANTs (cycling through the kinds); the caller destroys it.
  static SAFEARRAY* VariantVector(int n);

 private:
  std::vector<BSTR> owned_;
  std::vector<std::vector<BSTR>> bstrArrays_;
  std::vector<std::vector<VARIANT>> variantArrays_;
  std::vector<std::vector<TYNameEntry>> nameArrays_;
  std::vector<std::vector<TYValueEntry>> valueArrays_;
  std::vector<std::vector<TYNumeric>> numericArrays_;
  BSTR Own(BSTR b);
};

std::vector<VARIANT> EveryVariantKind();  // the caller clears them

// Frees what a caller received.
void FreeTexts(int32_t n, BSTR* texts);
void FreeResults(int32_t n, TYResultEntry* results);

}  // namespace rec
