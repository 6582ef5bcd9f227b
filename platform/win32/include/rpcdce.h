// The RPC run time's UUID texts.
#pragma once

#include "guiddef.h"
#include "winerror.h"

typedef GUID UUID;
typedef long RPC_STATUS;
typedef unsigned char* RPC_CSTR;
typedef unsigned short* RPC_WSTR;

extern "C" {

// The text form "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in lower case, without braces, in a string
// the caller releases with RpcStringFree. RPC_S_OK, or RPC_S_INVALID_ARG for null arguments.
RPC_STATUS UuidToStringA(const UUID* Uuid, RPC_CSTR* StringUuid);
RPC_STATUS UuidToStringW(const UUID* Uuid, RPC_WSTR* StringUuid);
// Releases a string of the RPC run time and sets the pointer to null (a null string: RPC_S_OK).
RPC_STATUS RpcStringFreeA(RPC_CSTR* String);
RPC_STATUS RpcStringFreeW(RPC_WSTR* String);

}  // extern "C"

#ifdef UNICODE
#define UuidToString UuidToStringW
#define RpcStringFree RpcStringFreeW
#else
#define UuidToString UuidToStringA
#define RpcStringFree RpcStringFreeA
#endif
