// Debugger output.
#pragma once

#include "winerror.h"

extern "C" {

// To standard error, or to a test's hook (w32test.h).
void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
void WINAPI OutputDebugStringW(LPCWSTR lpOutputString);

}  // extern "C"

#ifdef UNICODE
#define OutputDebugString OutputDebugStringW
#else
#define OutputDebugString OutputDebugStringA
#endif
