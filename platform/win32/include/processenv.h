// The current directory, the environment and the standard handles.
#pragma once

#include "handleapi.h"
#include "winerror.h"

#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)

extern "C" {

// Handles of the process's standard input, output and error, for ReadFile and WriteFile.
// Output goes through the same stream as wprintf. CloseHandle leaves them open.
HANDLE WINAPI GetStdHandle(DWORD nStdHandle);

// The current directory as a path handed back (see GetFullPathName for the length rules).
DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
// Changes the process's current directory: FALSE and 2 (3 when a folder on the way is missing
// too) for a path that does not exist, 267 for a file.
BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName);

}  // extern "C"

#ifdef UNICODE
#define GetCurrentDirectory GetCurrentDirectoryW
#define SetCurrentDirectory SetCurrentDirectoryW
#else
#define GetCurrentDirectory GetCurrentDirectoryA
#define SetCurrentDirectory SetCurrentDirectoryA
#endif
