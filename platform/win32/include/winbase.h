// Copying and moving files, profile strings, and the other winbase.h calls.
#pragma once

#include "minwinbase.h"
#include "winerror.h"

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

extern "C" {

// Copies a file with its last-write time and permissions: 80 when the target exists and
// bFailIfExists is set. The copy is made beside the target and renamed over it, so that a failure
// leaves the target as it was.
BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
// Moves (renames) a file or folder: 183 when the target exists. Across file systems a file is
// copied (time kept) and then deleted; a folder is refused with 17.
BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
// MOVEFILE_REPLACE_EXISTING replaces an existing file in one step (a folder target: 5);
// MOVEFILE_COPY_ALLOWED lets a file cross file systems (else 17). A null target is refused (87).
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

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
#define CopyFile CopyFileW
#define MoveFile MoveFileW
#define MoveFileEx MoveFileExW
#define GetPrivateProfileString GetPrivateProfileStringW
#else
#define CopyFile CopyFileA
#define MoveFile MoveFileA
#define MoveFileEx MoveFileExA
#define GetPrivateProfileString GetPrivateProfileStringA
#endif
