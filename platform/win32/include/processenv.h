// The current directory (this part), and later the environment and the standard handles.
#pragma once

#include "winerror.h"

extern "C" {

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
