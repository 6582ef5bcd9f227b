// The process's console.
#pragma once

#include "winerror.h"

extern "C" {

// Both succeed: the process's standard streams are its console.
BOOL WINAPI AllocConsole();
BOOL WINAPI FreeConsole();

}  // extern "C"
