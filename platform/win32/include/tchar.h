// Generic-text names of Windows' C run time: wide with _UNICODE or UNICODE, else narrow.
#pragma once

#include "windows.h"

#if defined(_UNICODE) || defined(UNICODE)
typedef char16_t _TCHAR;
#define __T(x) u##x
#define _tprintf wprintf
#define _vtprintf vwprintf
#define _tcsftime wcsftime
#define _tsplitpath _wsplitpath
#define _tmakepath _wmakepath
#define _tstat _wstat
#define _get_tpgmptr _get_wpgmptr
#else
typedef char _TCHAR;
#define __T(x) x
#define _tprintf printf
#define _vtprintf vprintf
#define _tcsftime strftime
#define _tsplitpath _splitpath
#define _tmakepath _makepath
#define _tstat _stat
#define _get_tpgmptr _get_pgmptr
#endif
#define _T(x) __T(x)
#define _TEXT(x) __T(x)
