// ITYGenericServices: the application's generic service calls. Every method returns an HRESULT; its
// results come back as an [out] count and an [out] array of that many elements that the callee
// allocates with CoTaskMemAlloc (BSTR elements with SysAllocString*) and the caller frees.
// Pointers inside the records are unique pointers (may be null); each array's length is the long in
// front of it. An enumeration travels as 16 bits and must lie within 0 to 32767.
#pragma once
#include <cstdint>

#include "oleauto.h"

// {376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5}
inline constexpr IID IID_ITYGenericServices = {0x376f6e2b, 0x18ed, 0x41fa,
                                               {0x9d, 0x24, 0xcd, 0xb5, 0xec, 0xdb, 0x83, 0xf5}};

enum TYEnum : int {};  // a 16-bit enumeration; the interface gives its values no names

struct TYOneString {  // passed by value
  BSTR text;
};

struct TYNumeric {  // 64 bytes on the wire
  double values[7];
  TYEnum kind;
};

struct TYNameEntry {  // 12 bytes on the wire
  BSTR name;
  int32_t count;
  BSTR* values;
};

struct TYValueEntry {  // 20 bytes on the wire
  BSTR name;
  BSTR text;
  TYEnum kind;
  int32_t count;
  VARIANT* values;
};

struct TYItemList {  // 36 bytes on the wire; passed by value
  int32_t nameCount;
  TYNameEntry* names;
  int32_t valueCount;
  TYValueEntry* values;
  int32_t numericCount;
  TYNumeric* numerics;
  int32_t first;
  int32_t second;
  TYEnum kind;
};

struct TYQueryEntry {  // 12 bytes on the wire
  BSTR text;
  int32_t first;
  int32_t second;
};

struct TYResultEntry {  // 32 bytes on the wire
  BSTR text1;
  BSTR text2;
  int32_t long1;
  BSTR text3;
  BSTR text4;
  int32_t long2;
  int32_t long3;
  int32_t long4;
};

class ITYGenericServices : public IUnknown {
 public:
  // slot 3
  virtual HRESULT STDMETHODCALLTYPE ProcessList(TYOneString context, BSTR name, TYItemList list, int32_t flags,
                                                int32_t* count, BYTE** bytes) = 0;
  // slot 4
  virtual HRESULT STDMETHODCALLTYPE ProcessNamedList(TYOneString context, int32_t nameCount, BSTR* names,
                                                     TYItemList list, int32_t flags, int32_t* count,
                                                     BYTE** bytes) = 0;
  // slot 5
  virtual HRESULT STDMETHODCALLTYPE ProcessTypedList(TYOneString context, BSTR name, BSTR type, TYEnum kind,
                                                     TYItemList list, int32_t first, int32_t second, int32_t third,
                                                     int32_t* count, BYTE** bytes) = 0;
  // slot 6
  virtual HRESULT STDMETHODCALLTYPE ProcessNamedTypedList(TYOneString context, int32_t nameCount, BSTR* names,
                                                          BSTR type, TYEnum kind, int32_t first, TYItemList list,
                                                          int32_t second, int32_t third, int32_t* count,
                                                          BYTE** bytes) = 0;
  // slot 7
  virtual HRESULT STDMETHODCALLTYPE Query(TYOneString context, int32_t flags, int32_t queryCount,
                                          TYQueryEntry* queries, int32_t* count, TYResultEntry** results) = 0;
  // slot 8
  virtual HRESULT STDMETHODCALLTYPE UpdateNamedList(TYOneString context, int32_t nameCount, BSTR* names,
                                                    BSTR name, TYItemList list, int32_t flags, int32_t* count,
                                                    BYTE** bytes) = 0;
  // slot 9
  virtual HRESULT STDMETHODCALLTYPE ProcessBytes(TYOneString context, int32_t byteCount, BYTE* data,
                                                 int32_t* count, BYTE** bytes) = 0;
  // slot 10
  virtual HRESULT STDMETHODCALLTYPE Notify(int32_t code, BSTR text) = 0;
  // slot 11: data is a full pointer and may be null, whatever byteCount says
  virtual HRESULT STDMETHODCALLTYPE PutBytes(int32_t code, BSTR name, int32_t byteCount, BYTE* data,
                                             int32_t* count, BYTE** bytes) = 0;
  // slot 12
  virtual HRESULT STDMETHODCALLTYPE ProcessNumerics(TYOneString context, BSTR name, int32_t numericCount,
                                                    TYNumeric* numerics, int32_t* count, BSTR** texts) = 0;
  // slot 13
  virtual HRESULT STDMETHODCALLTYPE Lookup3(TYOneString context, BSTR a1, BSTR a2, BSTR a3, int32_t first,
                                            int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, int32_t* count,
                                            BSTR** texts) = 0;
  // slot 14
  virtual HRESULT STDMETHODCALLTYPE Lookup4(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                            int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5,
                                            int32_t* count, BSTR** texts) = 0;
  // slot 15
  virtual HRESULT STDMETHODCALLTYPE Lookup2(TYOneString context, BSTR a1, BSTR a2, int32_t first, int32_t* count,
                                            BSTR** texts) = 0;
  // slot 16
  virtual HRESULT STDMETHODCALLTYPE LookupNumeric(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4,
                                                  int32_t first, int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4,
                                                  BSTR b5, TYNumeric numeric, int32_t* count, BSTR** texts) = 0;
  // slot 17
  virtual HRESULT STDMETHODCALLTYPE LookupNumericRange(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4,
                                                       int32_t first, int32_t second, BSTR b1, BSTR b2, BSTR b3,
                                                       BSTR b4, BSTR b5, TYNumeric numeric, int32_t from, int32_t to,
                                                       int32_t* count, BSTR** texts) = 0;
};
