// Profile strings (this part), and later the other winbase.h calls.
#pragma once

#include "winerror.h"

extern "C" {

// The value of a key in a section of an INI file, by the kernel configuration's rules (w32ini:
// backslash section paths, ASCII case ignored, first key wins, quotes kept). The value, or the
// default (null: empty; trailing blanks dropped) when the file, section or key is missing (then
// the last error is 2), goes into the buffer cut to nSize - 1 characters and terminated. Result:
// the characters written. Null section or key names (listings) are not served: 87.
DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName);
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);

}  // extern "C"

#ifdef UNICODE
#define GetPrivateProfileString GetPrivateProfileStringW
#else
#define GetPrivateProfileString GetPrivateProfileStringA
#endif
