// Paths (this part), and later files, directories and searches.
#pragma once

#include "handleapi.h"
#include "winerror.h"

extern "C" {

// The full path of a path, worked out in the text alone (".." stops at a drive's root); a path
// under a drive comes back as "X:\...". Result: the length written without the terminator, or
// the size needed with it when nBufferLength is too small; 0 on failure (53 a network path, 123
// an empty path, 206 a result of MAX_PATH characters or more). *lpFilePart, when asked for,
// points at the last name in the buffer (null when the path ends with a separator).
DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);
DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart);

// The folder for temporary files, ending with a separator: TMP, TEMP, TMPDIR or "/tmp", the
// first set, as a path handed back. Length rules as GetFullPathName.
DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);

// "<path>\<first three characters of the prefix><hexadecimal number>.TMP" into a buffer of
// MAX_PATH characters. With uUnique 0 a number is sought for which no file exists and the empty
// file is created; otherwise the name is only made. Result: the number used; 0 on failure (87 a
// null argument, 111 a path longer than MAX_PATH - 14, 267 a folder that does not exist).
UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName);

}  // extern "C"

#ifdef UNICODE
#define GetFullPathName GetFullPathNameW
#define GetTempPath GetTempPathW
#define GetTempFileName GetTempFileNameW
#else
#define GetFullPathName GetFullPathNameA
#define GetTempPath GetTempPathA
#define GetTempFileName GetTempFileNameA
#endif
