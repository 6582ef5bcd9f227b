// Conversions between narrow and wide texts. Narrow texts are UTF-8 whatever the code page named
// (CP_ACP, CP_OEMCP, CP_THREAD_ACP and CP_UTF8 are all UTF-8); wide texts are UTF-16.
#pragma once

#include "winnt.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

typedef const CHAR* LPCCH;
typedef const WCHAR* LPCWCH;

extern "C" {

// A count of -1 takes the text up to and with its terminator; 0 is refused (87). With an output
// size of 0 the result is the size needed; a smaller output gives 0 and 122. A byte that does not
// belong to a valid UTF-8 sequence becomes U+FFFD, or fails with 1113 under MB_ERR_INVALID_CHARS.
// Another code page gives 87. Result: the UTF-16 units written (or needed).
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);
// The same the other way; a lone surrogate becomes U+FFFD (1113 under WC_ERR_INVALID_CHARS). The
// default character is never needed: *lpUsedDefaultChar (when asked for) is FALSE.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar);

}  // extern "C"
