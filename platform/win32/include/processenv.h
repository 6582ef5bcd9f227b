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
// The value of an environment variable (the name compared exactly, then without regard to ASCII
// case; "COMPUTERNAME", when unset, is the host's name in capitals). Result: its length, or the size
// needed with the terminator when the buffer is too small; 0 and 203 when it is not set.
DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// Sets (null value: removes) a variable of the process, which children started later inherit. A
// variable spelt with other case is replaced. 87 for an empty name or one with "=".
BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue);
BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
// The environment as a block of "NAME=value" texts ending with an empty one, released with
// FreeEnvironmentStrings.
LPCH WINAPI GetEnvironmentStringsA();
LPWCH WINAPI GetEnvironmentStringsW();
BOOL WINAPI FreeEnvironmentStringsA(LPCH penv);
BOOL WINAPI FreeEnvironmentStringsW(LPWCH penv);

// Changes the process's current directory: FALSE and 2 (3 when a folder on the way is missing
// too) for a path that does not exist, 267 for a file.
BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName);

}  // extern "C"

#ifdef UNICODE
#define GetEnvironmentVariable GetEnvironmentVariableW
#define SetEnvironmentVariable SetEnvironmentVariableW
#define GetEnvironmentStrings GetEnvironmentStringsW
#define FreeEnvironmentStrings FreeEnvironmentStringsW
#define GetCurrentDirectory GetCurrentDirectoryW
#define SetCurrentDirectory SetCurrentDirectoryW
#else
#define GetEnvironmentVariable GetEnvironmentVariableA
#define SetEnvironmentVariable SetEnvironmentVariableA
#define GetEnvironmentStrings GetEnvironmentStringsA
#define FreeEnvironmentStrings FreeEnvironmentStringsA
#define GetCurrentDirectory GetCurrentDirectoryA
#define SetCurrentDirectory SetCurrentDirectoryA
#endif
