// The description of ITYGenericServices: type table, procedure table, proxy and stub tables.
#pragma once
#include <cstddef>

#include "ITYGenericServices.h"
#include "rpcproxy.h"

namespace {

constexpr const char kInterfaceName[] = "ITYGenericServices";
constexpr const IID& kIid = IID_ITYGenericServices;
constexpr ULONG kSlotCount = 18;

// ---- type table (each structure's members follow it) ----
enum : uint16_t {
  T_LONG, T_ENUM, T_DOUBLE, T_BYTE, T_BSTR, T_VARIANT,
  T_ONESTRING, M_ONESTRING_TEXT,
  T_NUMERIC, M_NUMERIC_V1, M_NUMERIC_V2, M_NUMERIC_V3, M_NUMERIC_V4, M_NUMERIC_V5, M_NUMERIC_V6, M_NUMERIC_V7,
  M_NUMERIC_KIND,
  T_NAMEENTRY, M_NAMEENTRY_NAME, M_NAMEENTRY_COUNT, M_NAMEENTRY_VALUES,
  T_NAMEENTRY_VALUES, T_NAMEENTRY_VALUES_ARRAY,
  T_VALUEENTRY, M_VALUEENTRY_NAME, M_VALUEENTRY_TEXT, M_VALUEENTRY_KIND, M_VALUEENTRY_COUNT, M_VALUEENTRY_VALUES,
  T_VALUEENTRY_VALUES, T_VALUEENTRY_VALUES_ARRAY,
  T_ITEMLIST, M_ITEMLIST_NAMECOUNT, M_ITEMLIST_NAMES, M_ITEMLIST_VALUECOUNT, M_ITEMLIST_VALUES,
  M_ITEMLIST_NUMERICCOUNT, M_ITEMLIST_NUMERICS, M_ITEMLIST_FIRST, M_ITEMLIST_SECOND, M_ITEMLIST_KIND,
  T_ITEMLIST_NAMES, T_ITEMLIST_NAMES_ARRAY, T_ITEMLIST_VALUES, T_ITEMLIST_VALUES_ARRAY, T_ITEMLIST_NUMERICS,
  T_ITEMLIST_NUMERICS_ARRAY,
  T_QUERYENTRY, M_QUERYENTRY_TEXT, M_QUERYENTRY_FIRST, M_QUERYENTRY_SECOND,
  T_RESULTENTRY, M_RESULTENTRY_TEXT1, M_RESULTENTRY_TEXT2, M_RESULTENTRY_LONG1, M_RESULTENTRY_TEXT3,
  M_RESULTENTRY_TEXT4, M_RESULTENTRY_LONG2, M_RESULTENTRY_LONG3, M_RESULTENTRY_LONG4,
  // parameters: [in] arrays sized by the parameter in front, [out] counts and callee-allocated arrays
  T_IN_BSTRS, T_IN_BSTRS_ARRAY, T_IN_BYTES, T_IN_BYTES_ARRAY, T_IN_FULL_BYTES, T_IN_QUERIES, T_IN_QUERIES_ARRAY,
  T_IN_NUMERICS, T_IN_NUMERICS_ARRAY,
  T_OUT_COUNT,
  T_OUT_BYTES, T_OUT_BYTES_PTR, T_OUT_BYTES_ARRAY,
  T_OUT_BSTRS, T_OUT_BSTRS_PTR, T_OUT_BSTRS_ARRAY,
  T_OUT_RESULTS, T_OUT_RESULTS_PTR, T_OUT_RESULTS_ARRAY,
  T_COUNT
};

constexpr uint16_t U_BSTR = 0, U_VARIANT = 1;  // user-marshal routines

#define TY_MEMBER(record, field, type) {FC_MEMBER, 0, offsetof(record, field), type, 0}
#define TY_NUMERIC_VALUE(i) {FC_MEMBER, 0, offsetof(TYNumeric, values) + (i) * sizeof(double), T_DOUBLE, 0}

constexpr NDR_TYPE kTypeFormat[] = {
    {FC_LONG, 0, 4, 0, 0},
    {FC_ENUM16, 0, sizeof(TYEnum), 0, 0},
    {FC_DOUBLE, 0, 8, 0, 0},
    {FC_BYTE, 0, 1, 0, 0},
    {FC_USER_MARSHAL, 0, sizeof(BSTR), U_BSTR, 0},
    {FC_USER_MARSHAL, 0, sizeof(VARIANT), U_VARIANT, 0},
    // one-string record
    {FC_STRUCT, 0, sizeof(TYOneString), 1, 0},
    TY_MEMBER(TYOneString, text, T_BSTR),
    // numeric record
    {FC_STRUCT, 0, sizeof(TYNumeric), 8, 0},
    TY_NUMERIC_VALUE(0), TY_NUMERIC_VALUE(1), TY_NUMERIC_VALUE(2), TY_NUMERIC_VALUE(3), TY_NUMERIC_VALUE(4),
    TY_NUMERIC_VALUE(5), TY_NUMERIC_VALUE(6),
    TY_MEMBER(TYNumeric, kind, T_ENUM),
    // name entry
    {FC_STRUCT, 0, sizeof(TYNameEntry), 3, 0},
    TY_MEMBER(TYNameEntry, name, T_BSTR),
    TY_MEMBER(TYNameEntry, count, T_LONG),
    TY_MEMBER(TYNameEntry, values, T_NAMEENTRY_VALUES),
    {FC_UP, 0, 0, T_NAMEENTRY_VALUES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, sizeof(BSTR), T_BSTR, offsetof(TYNameEntry, count)},
    // value entry
    {FC_STRUCT, 0, sizeof(TYValueEntry), 5, 0},
    TY_MEMBER(TYValueEntry, name, T_BSTR),
    TY_MEMBER(TYValueEntry, text, T_BSTR),
    TY_MEMBER(TYValueEntry, kind, T_ENUM),
    TY_MEMBER(TYValueEntry, count, T_LONG),
    TY_MEMBER(TYValueEntry, values, T_VALUEENTRY_VALUES),
    {FC_UP, 0, 0, T_VALUEENTRY_VALUES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, sizeof(VARIANT), T_VARIANT, offsetof(TYValueEntry, count)},
    // item list
    {FC_STRUCT, 0, sizeof(TYItemList), 9, 0},
    TY_MEMBER(TYItemList, nameCount, T_LONG),
    TY_MEMBER(TYItemList, names, T_ITEMLIST_NAMES),
    TY_MEMBER(TYItemList, valueCount, T_LONG),
    TY_MEMBER(TYItemList, values, T_ITEMLIST_VALUES),
    TY_MEMBER(TYItemList, numericCount, T_LONG),
    TY_MEMBER(TYItemList, numerics, T_ITEMLIST_NUMERICS),
    TY_MEMBER(TYItemList, first, T_LONG),
    TY_MEMBER(TYItemList, second, T_LONG),
    TY_MEMBER(TYItemList, kind, T_ENUM),
    {FC_UP, 0, 0, T_ITEMLIST_NAMES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, sizeof(TYNameEntry), T_NAMEENTRY, offsetof(TYItemList, nameCount)},
    {FC_UP, 0, 0, T_ITEMLIST_VALUES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, sizeof(TYValueEntry), T_VALUEENTRY, offsetof(TYItemList, valueCount)},
    {FC_UP, 0, 0, T_ITEMLIST_NUMERICS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_MEMBER, sizeof(TYNumeric), T_NUMERIC, offsetof(TYItemList, numericCount)},
    // query entry
    {FC_STRUCT, 0, sizeof(TYQueryEntry), 3, 0},
    TY_MEMBER(TYQueryEntry, text, T_BSTR),
    TY_MEMBER(TYQueryEntry, first, T_LONG),
    TY_MEMBER(TYQueryEntry, second, T_LONG),
    // result entry
    {FC_STRUCT, 0, sizeof(TYResultEntry), 8, 0},
    TY_MEMBER(TYResultEntry, text1, T_BSTR),
    TY_MEMBER(TYResultEntry, text2, T_BSTR),
    TY_MEMBER(TYResultEntry, long1, T_LONG),
    TY_MEMBER(TYResultEntry, text3, T_BSTR),
    TY_MEMBER(TYResultEntry, text4, T_BSTR),
    TY_MEMBER(TYResultEntry, long2, T_LONG),
    TY_MEMBER(TYResultEntry, long3, T_LONG),
    TY_MEMBER(TYResultEntry, long4, T_LONG),
    // parameters
    {FC_RP, 0, 0, T_IN_BSTRS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, sizeof(BSTR), T_BSTR, 1},
    {FC_RP, 0, 0, T_IN_BYTES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, 1, T_BYTE, 1},
    {FC_FP, 0, 0, T_IN_BYTES_ARRAY, 0},
    {FC_RP, 0, 0, T_IN_QUERIES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, sizeof(TYQueryEntry), T_QUERYENTRY, 1},
    {FC_RP, 0, 0, T_IN_NUMERICS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, sizeof(TYNumeric), T_NUMERIC, 1},
    {FC_RP, 0, 0, T_LONG, 0},
    {FC_RP, 0, 0, T_OUT_BYTES_PTR, 0},
    {FC_UP, 0, 0, T_OUT_BYTES_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM_DEREF, 1, T_BYTE, 1},
    {FC_RP, 0, 0, T_OUT_BSTRS_PTR, 0},
    {FC_UP, 0, 0, T_OUT_BSTRS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM_DEREF, sizeof(BSTR), T_BSTR, 1},
    {FC_RP, 0, 0, T_OUT_RESULTS_PTR, 0},
    {FC_UP, 0, 0, T_OUT_RESULTS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM_DEREF, sizeof(TYResultEntry), T_RESULTENTRY, 1},
};
static_assert(sizeof kTypeFormat / sizeof kTypeFormat[0] == T_COUNT);

#undef TY_MEMBER
#undef TY_NUMERIC_VALUE

const USER_MARSHAL_ROUTINE_QUADRUPLE kUserMarshalRoutines[] = {
    NDR_USER_MARSHAL_ROUTINES(BSTR),
    NDR_USER_MARSHAL_ROUTINES(VARIANT),
};

const MIDL_STUB_DESC kStubDesc = {kTypeFormat, T_COUNT, kUserMarshalRoutines, 2, NDR_ENGINE_VERSION};

// ---- procedure table ----
constexpr uint16_t I = NDR_IN, O = NDR_OUT, H = NDR_PROC_HEADER;
constexpr NDR_PARAM kProcFormat[] = {
    // 0: slot 3
    {H, 6}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_ITEMLIST}, {I, T_LONG}, {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 7: slot 4
    {H, 7}, {I, T_ONESTRING}, {I, T_LONG}, {I, T_IN_BSTRS}, {I, T_ITEMLIST}, {I, T_LONG}, {O, T_OUT_COUNT},
    {O, T_OUT_BYTES},
    // 15: slot 5
    {H, 10}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_ENUM}, {I, T_ITEMLIST}, {I, T_LONG}, {I, T_LONG},
    {I, T_LONG}, {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 26: slot 6
    {H, 11}, {I, T_ONESTRING}, {I, T_LONG}, {I, T_IN_BSTRS}, {I, T_BSTR}, {I, T_ENUM}, {I, T_LONG},
    {I, T_ITEMLIST}, {I, T_LONG}, {I, T_LONG}, {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 38: slot 7
    {H, 6}, {I, T_ONESTRING}, {I, T_LONG}, {I, T_LONG}, {I, T_IN_QUERIES}, {O, T_OUT_COUNT}, {O, T_OUT_RESULTS},
    // 45: slot 8
    {H, 8}, {I, T_ONESTRING}, {I, T_LONG}, {I, T_IN_BSTRS}, {I, T_BSTR}, {I, T_ITEMLIST}, {I, T_LONG},
    {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 54: slot 9
    {H, 5}, {I, T_ONESTRING}, {I, T_LONG}, {I, T_IN_BYTES}, {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 60: slot 10
    {H, 2}, {I, T_LONG}, {I, T_BSTR},
    // 63: slot 11
    {H, 6}, {I, T_LONG}, {I, T_BSTR}, {I, T_LONG}, {I, T_IN_FULL_BYTES}, {O, T_OUT_COUNT}, {O, T_OUT_BYTES},
    // 70: slot 12
    {H, 6}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_LONG}, {I, T_IN_NUMERICS}, {O, T_OUT_COUNT}, {O, T_OUT_BSTRS},
    // 77: slot 13
    {H, 12}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_LONG}, {I, T_LONG}, {I, T_BSTR},
    {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {O, T_OUT_COUNT}, {O, T_OUT_BSTRS},
    // 90: slot 14
    {H, 14}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_LONG}, {I, T_LONG},
    {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {O, T_OUT_COUNT}, {O, T_OUT_BSTRS},
    // 105: slot 15
    {H, 6}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_LONG}, {O, T_OUT_COUNT}, {O, T_OUT_BSTRS},
    // 112: slot 16
    {H, 15}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_LONG}, {I, T_LONG},
    {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_NUMERIC}, {O, T_OUT_COUNT},
    {O, T_OUT_BSTRS},
    // 128: slot 17
    {H, 17}, {I, T_ONESTRING}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_LONG}, {I, T_LONG},
    {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_BSTR}, {I, T_NUMERIC}, {I, T_LONG}, {I, T_LONG},
    {O, T_OUT_COUNT}, {O, T_OUT_BSTRS},
};

constexpr unsigned short kProcOffsets[kSlotCount] = {NDR_NO_PROC, NDR_NO_PROC, NDR_NO_PROC, 0, 7, 15, 26, 38, 45,
                                                     54, 60, 63, 70, 77, 90, 105, 112, 128};
static_assert(NdrProcOffsetsValid(kProcFormat, sizeof kProcFormat / sizeof kProcFormat[0], kProcOffsets,
                                  kSlotCount));

// ---- proxy ----
class GenericServicesProxy final : public NdrProxyOf<ITYGenericServices> {
 public:
  HRESULT STDMETHODCALLTYPE ProcessList(TYOneString context, BSTR name, TYItemList list, int32_t flags,
                                        int32_t* count, BYTE** bytes) override {
    return Forward(3, context, name, list, flags, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE ProcessNamedList(TYOneString context, int32_t nameCount, BSTR* names, TYItemList list,
                                             int32_t flags, int32_t* count, BYTE** bytes) override {
    return Forward(4, context, nameCount, names, list, flags, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE ProcessTypedList(TYOneString context, BSTR name, BSTR type, TYEnum kind, TYItemList list,
                                             int32_t first, int32_t second, int32_t third, int32_t* count,
                                             BYTE** bytes) override {
    return Forward(5, context, name, type, kind, list, first, second, third, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE ProcessNamedTypedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR type,
                                                  TYEnum kind, int32_t first, TYItemList list, int32_t second,
                                                  int32_t third, int32_t* count, BYTE** bytes) override {
    return Forward(6, context, nameCount, names, type, kind, first, list, second, third, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE Query(TYOneString context, int32_t flags, int32_t queryCount, TYQueryEntry* queries,
                                  int32_t* count, TYResultEntry** results) override {
    return Forward(7, context, flags, queryCount, queries, count, results);
  }
  HRESULT STDMETHODCALLTYPE UpdateNamedList(TYOneString context, int32_t nameCount, BSTR* names, BSTR name,
                                            TYItemList list, int32_t flags, int32_t* count, BYTE** bytes) override {
    return Forward(8, context, nameCount, names, name, list, flags, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE ProcessBytes(TYOneString context, int32_t byteCount, BYTE* data, int32_t* count,
                                         BYTE** bytes) override {
    return Forward(9, context, byteCount, data, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE Notify(int32_t code, BSTR text) override { return Forward(10, code, text); }
  HRESULT STDMETHODCALLTYPE PutBytes(int32_t code, BSTR name, int32_t byteCount, BYTE* data, int32_t* count,
                                     BYTE** bytes) override {
    return Forward(11, code, name, byteCount, data, count, bytes);
  }
  HRESULT STDMETHODCALLTYPE ProcessNumerics(TYOneString context, BSTR name, int32_t numericCount, TYNumeric* numerics,
                                            int32_t* count, BSTR** texts) override {
    return Forward(12, context, name, numericCount, numerics, count, texts);
  }
  HRESULT STDMETHODCALLTYPE Lookup3(TYOneString context, BSTR a1, BSTR a2, BSTR a3, int32_t first, int32_t second,
                                    BSTR b1, BSTR b2, BSTR b3, BSTR b4, int32_t* count, BSTR** texts) override {
    return Forward(13, context, a1, a2, a3, first, second, b1, b2, b3, b4, count, texts);
  }
  HRESULT STDMETHODCALLTYPE Lookup4(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                    int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5, int32_t* count,
                                    BSTR** texts) override {
    return Forward(14, context, a1, a2, a3, a4, first, second, b1, b2, b3, b4, b5, count, texts);
  }
  HRESULT STDMETHODCALLTYPE Lookup2(TYOneString context, BSTR a1, BSTR a2, int32_t first, int32_t* count,
                                    BSTR** texts) override {
    return Forward(15, context, a1, a2, first, count, texts);
  }
  HRESULT STDMETHODCALLTYPE LookupNumeric(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4, int32_t first,
                                          int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4, BSTR b5,
                                          TYNumeric numeric, int32_t* count, BSTR** texts) override {
    return Forward(16, context, a1, a2, a3, a4, first, second, b1, b2, b3, b4, b5, numeric, count, texts);
  }
  HRESULT STDMETHODCALLTYPE LookupNumericRange(TYOneString context, BSTR a1, BSTR a2, BSTR a3, BSTR a4,
                                               int32_t first, int32_t second, BSTR b1, BSTR b2, BSTR b3, BSTR b4,
                                               BSTR b5, TYNumeric numeric, int32_t from, int32_t to, int32_t* count,
                                               BSTR** texts) override {
    return Forward(17, context, a1, a2, a3, a4, first, second, b1, b2, b3, b4, b5, numeric, from, to, count,
                   texts);
  }
};

constexpr uint8_t kProxySlots[kSlotCount] = {
    NDR_SLOT_QUERYINTERFACE, NDR_SLOT_ADDREF,    NDR_SLOT_RELEASE,   NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS,
    NDR_SLOT_STUBLESS,       NDR_SLOT_STUBLESS,  NDR_SLOT_STUBLESS,  NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS,
    NDR_SLOT_STUBLESS,       NDR_SLOT_STUBLESS,  NDR_SLOT_STUBLESS,  NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS,
    NDR_SLOT_STUBLESS,       NDR_SLOT_STUBLESS,  NDR_SLOT_STUBLESS};

const MIDL_STUBLESS_PROXY_INFO kProxyInfo = {&kStubDesc, kProcFormat, kProcOffsets};
const CInterfaceProxyVtbl kProxyVtbl = {&kProxyInfo, &IID_ITYGenericServices,
                                        &NdrCreateProxy<GenericServicesProxy>, kSlotCount, kProxySlots};

// ---- stub ----
using S = ITYGenericServices;
const NDR_STUB_THUNK kDispatchTable[kSlotCount] = {
    nullptr,
    nullptr,
    nullptr,
    NdrStubThunk<&S::ProcessList>,
    NdrStubThunk<&S::ProcessNamedList>,
    NdrStubThunk<&S::ProcessTypedList>,
    NdrStubThunk<&S::ProcessNamedTypedList>,
    NdrStubThunk<&S::Query>,
    NdrStubThunk<&S::UpdateNamedList>,
    NdrStubThunk<&S::ProcessBytes>,
    NdrStubThunk<&S::Notify>,
    NdrStubThunk<&S::PutBytes>,
    NdrStubThunk<&S::ProcessNumerics>,
    NdrStubThunk<&S::Lookup3>,
    NdrStubThunk<&S::Lookup4>,
    NdrStubThunk<&S::Lookup2>,
    NdrStubThunk<&S::LookupNumeric>,
    NdrStubThunk<&S::LookupNumericRange>,
};

const MIDL_SERVER_INFO kServerInfo = {&kStubDesc, kDispatchTable, kProcFormat, kProcOffsets};

}  // namespace
