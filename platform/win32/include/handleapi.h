// Kernel object handles. A handle value is never used twice in a process: a closed handle, like
// one this library never gave out, answers ERROR_INVALID_HANDLE (6).
#pragma once

#include "winerror.h"

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

extern "C" {

// Closes a file, process or thread handle (not a search handle: FindClose). FALSE and 6 for a
// null, closed or unknown handle.
BOOL WINAPI CloseHandle(HANDLE hObject);

}  // extern "C"
