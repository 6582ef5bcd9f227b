#include <sys/random.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Errors.h"
#include "Hooks.h"
#include "windows.h"

namespace {

std::string Text(const UUID& u) {
    char b[40];
    std::snprintf(b, sizeof b, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", u.Data1, u.Data2, u.Data3,
                  u.Data4[0], u.Data4[1], u.Data4[2], u.Data4[3], u.Data4[4], u.Data4[5], u.Data4[6], u.Data4[7]);
    return b;
}

template <typename Char>
RPC_STATUS ToString(const UUID* uuid, Char** out) {
    if (uuid == nullptr || out == nullptr) return RPC_S_INVALID_ARG;
    int32_t code = 0;
    if (w32::TakeFailure(w32test::Call::GuidToText, code)) return code;
    const std::string text = Text(*uuid);
    auto* s = static_cast<Char*>(w32::AllocateBlock((text.size() + 1) * sizeof(Char), true));
    if (s == nullptr) return RPC_S_OUT_OF_MEMORY;
    for (size_t i = 0; i < text.size(); ++i) s[i] = static_cast<Char>(text[i]);
    *out = s;
    return RPC_S_OK;
}

template <typename Char>
RPC_STATUS FreeString(Char** string) {
    if (string == nullptr) return RPC_S_INVALID_ARG;
    int32_t code = 0;
    const bool fail = w32::TakeFailure(w32test::Call::FreeRpcString, code);
    if (*string != nullptr && !w32::FreeBlock(*string)) return RPC_S_INVALID_ARG;
    *string = nullptr;
    return fail ? code : RPC_S_OK;
}

}  // namespace

extern "C" {

HRESULT CoCreateGuid(GUID* pguid) {
    if (pguid == nullptr) return E_INVALIDARG;
    int32_t code = 0;
    if (w32::TakeFailure(w32test::Call::CreateGuid, code)) return code;
    uint8_t bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) return E_FAIL;
        got += static_cast<size_t>(n);
    }
    std::memcpy(pguid, bytes, sizeof bytes);
    pguid->Data3 = static_cast<uint16_t>((pguid->Data3 & 0x0FFF) | 0x4000);   // version 4
    pguid->Data4[0] = static_cast<uint8_t>((pguid->Data4[0] & 0x3F) | 0x80);   // the standard variant
    return S_OK;
}

RPC_STATUS UuidToStringA(const UUID* Uuid, RPC_CSTR* StringUuid) { return ToString(Uuid, StringUuid); }
RPC_STATUS UuidToStringW(const UUID* Uuid, RPC_WSTR* StringUuid) { return ToString(Uuid, StringUuid); }
RPC_STATUS RpcStringFreeA(RPC_CSTR* String) { return FreeString(String); }
RPC_STATUS RpcStringFreeW(RPC_WSTR* String) { return FreeString(String); }

}  // extern "C"
