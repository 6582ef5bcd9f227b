// The system's version.
#pragma once

#include "winerror.h"

extern "C" {

// Windows NT 5.1, build 2600: 0x0A280105. A test hook (w32test.h) sets the top bit, as the
// Windows 95 family answers.
DWORD WINAPI GetVersion();

}  // extern "C"
