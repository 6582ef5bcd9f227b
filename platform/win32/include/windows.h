// The Win32 stand-in: the calls and types that the system's Windows code uses, served on Linux.
// Narrow texts are UTF-8 and wide texts UTF-16 (WCHAR is char16_t); with UNICODE defined the
// generic names (CreateFile, TCHAR, ...) are the wide forms. See platform/win32/README.md.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "errhandlingapi.h"
#include "handleapi.h"
#include "fileapi.h"
#include "processenv.h"
#include "processthreadsapi.h"
#include "winbase.h"
#include "winreg.h"
#include "consoleapi.h"
#include "debugapi.h"
#include "sysinfoapi.h"
#include "winuser.h"
#include "wingdi.h"
#include "libloaderapi.h"
#include "rpc.h"
#ifndef WIN32_LEAN_AND_MEAN
#include "combaseapi.h"
#endif
#include "w32crt.h"
