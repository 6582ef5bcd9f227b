// Windows base types the COM run time's headers use.
#pragma once
#include <cstddef>
#include <cstdint>

typedef char16_t WCHAR;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef int16_t SHORT;
typedef uint8_t BYTE;
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef float FLOAT;
typedef double DOUBLE;
typedef char CHAR;
typedef void* LPVOID;
typedef void* PVOID;
typedef void* HMODULE;
typedef void* HINSTANCE;
typedef int32_t HRESULT;
#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
#endif
