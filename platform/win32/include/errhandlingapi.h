// The thread's last error, and the English texts of error numbers.
#pragma once

#include <cstdarg>

#include "winerror.h"

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

extern "C" {

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);

// Only FORMAT_MESSAGE_FROM_SYSTEM is served: the text of the error number followed by "\r\n", in
// the caller's buffer of nSize characters (122 when it is too small) or, with
// FORMAT_MESSAGE_ALLOCATE_BUFFER, in a buffer allocated here (at least nSize characters) whose
// address goes to *(LPSTR*)lpBuffer and which LocalFree releases. Insert sequences such as "%1"
// are left as they are. Result: the characters written without the terminator; 0 and 317 for an
// unknown number, 87 for other sources.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments);
DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, va_list* Arguments);

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
// Null on success (also for null); the block itself, and 6, for one this library did not hand out.
HLOCAL WINAPI LocalFree(HLOCAL hMem);

}  // extern "C"

#ifdef UNICODE
#define FormatMessage FormatMessageW
#else
#define FormatMessage FormatMessageA
#endif
