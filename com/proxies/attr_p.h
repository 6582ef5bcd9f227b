// The description of ITYFetchAttributes: type table, procedure table, proxy and stub tables.
#pragma once
#include "ITYFetchAttributes.h"
#include "rpcproxy.h"

namespace {

constexpr const char kInterfaceName[] = "ITYFetchAttributes";
constexpr const IID& kIid = IID_ITYFetchAttributes;
constexpr ULONG kSlotCount = 7;

// ---- type table ----
enum : uint16_t {
  T_LONG, T_BSTR, T_SAFEARRAY,
  T_IN_BSTRS, T_IN_BSTRS_ARRAY,
  T_OUT_COUNT, T_OUT_SAFEARRAY,
  T_COUNT
};

constexpr uint16_t U_BSTR = 0, U_SAFEARRAY = 1;  // user-marshal routines

constexpr NDR_TYPE kTypeFormat[] = {
    {FC_LONG, 0, 4, 0, 0},
    {FC_USER_MARSHAL, 0, sizeof(BSTR), U_BSTR, 0},
    {FC_USER_MARSHAL, 0, sizeof(LPSAFEARRAY), U_SAFEARRAY, 0},
    {FC_RP, 0, 0, T_IN_BSTRS_ARRAY, 0},
    {FC_CARRAY, NDR_CORR_PARAM, sizeof(BSTR), T_BSTR, 1},
    {FC_RP, 0, 0, T_LONG, 0},
    {FC_RP, 0, 0, T_SAFEARRAY, 0},
};
static_assert(sizeof kTypeFormat / sizeof kTypeFormat[0] == T_COUNT);

const USER_MARSHAL_ROUTINE_QUADRUPLE kUserMarshalRoutines[] = {
    NDR_USER_MARSHAL_ROUTINES(BSTR),
    NDR_USER_MARSHAL_ROUTINES(LPSAFEARRAY),
};

const MIDL_STUB_DESC kStubDesc = {kTypeFormat, T_COUNT, kUserMarshalRoutines, 2, NDR_ENGINE_VERSION};

// ---- procedure table ----
constexpr uint16_t I = NDR_IN, O = NDR_OUT, H = NDR_PROC_HEADER;
constexpr NDR_PARAM kProcFormat[] = {
    // 0: slot 3
    {H, 1}, {I, T_BSTR},
    // 2: slot 4
    {H, 2}, {I, T_SAFEARRAY}, {O, T_OUT_COUNT},
    // 5: slot 5
    {H, 2}, {I, T_SAFEARRAY}, {O, T_OUT_SAFEARRAY},
    // 8: slot 6
    {H, 3}, {I, T_LONG}, {I, T_IN_BSTRS}, {O, T_OUT_SAFEARRAY},
};

constexpr unsigned short kProcOffsets[kSlotCount] = {NDR_NO_PROC, NDR_NO_PROC, NDR_NO_PROC, 0, 2, 5, 8};
static_assert(NdrProcOffsetsValid(kProcFormat, sizeof kProcFormat / sizeof kProcFormat[0], kProcOffsets,
                                  kSlotCount));

// ---- proxy ----
class FetchAttributesProxy final : public NdrProxyOf<ITYFetchAttributes> {
 public:
  HRESULT STDMETHODCALLTYPE SetSource(BSTR source) override { return Forward(3, source); }
  HRESULT STDMETHODCALLTYPE CountAttributes(SAFEARRAY* keys, int32_t* count) override {
    return Forward(4, keys, count);
  }
  HRESULT STDMETHODCALLTYPE FetchAttributes(SAFEARRAY* keys, SAFEARRAY** values) override {
    return Forward(5, keys, values);
  }
  HRESULT STDMETHODCALLTYPE FetchNamed(int32_t nameCount, BSTR* names, SAFEARRAY** values) override {
    return Forward(6, nameCount, names, values);
  }
};

constexpr uint8_t kProxySlots[kSlotCount] = {NDR_SLOT_QUERYINTERFACE, NDR_SLOT_ADDREF,   NDR_SLOT_RELEASE,
                                             NDR_SLOT_STUBLESS,       NDR_SLOT_STUBLESS, NDR_SLOT_STUBLESS,
                                             NDR_SLOT_STUBLESS};

const MIDL_STUBLESS_PROXY_INFO kProxyInfo = {&kStubDesc, kProcFormat, kProcOffsets};
const CInterfaceProxyVtbl kProxyVtbl = {&kProxyInfo, &IID_ITYFetchAttributes,
                                        &NdrCreateProxy<FetchAttributesProxy>, kSlotCount, kProxySlots};

// ---- stub ----
using S = ITYFetchAttributes;
const NDR_STUB_THUNK kDispatchTable[kSlotCount] = {
    nullptr,
    nullptr,
    nullptr,
    NdrStubThunk<&S::SetSource>,
    NdrStubThunk<&S::CountAttributes>,
    NdrStubThunk<&S::FetchAttributes>,
    NdrStubThunk<&S::FetchNamed>,
};

const MIDL_SERVER_INFO kServerInfo = {&kStubDesc, kDispatchTable, kProcFormat, kProcOffsets};

}  // namespace
