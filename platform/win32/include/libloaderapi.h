// Modules: shared libraries loaded at run time.
//
// LoadLibrary takes a path or a bare name. A bare name is looked for beside the program and then in
// the current directory; either way "x.dll" is also found as "libx.so" (and a name without an
// extension as "x.dll" or "libx.so"), names compared without regard to ASCII case. A file loaded
// twice is one module with one handle, unloaded at its last FreeLibrary. The module's own DllMain
// (declared below, so that a module's definition has C linkage) is called with DLL_PROCESS_ATTACH
// and the module's handle after loading (FALSE unloads it again: 1114) and with
// DLL_PROCESS_DETACH before the last FreeLibrary unloads it; there are no thread notifications.
#pragma once

#include "winerror.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

// Null on failure: 126 for a file not found (or a library it needs), 193 for a file that is not a
// library, 127 for a library with an unresolved symbol, 1114 when its DllMain refused.
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// A function or datum the module itself defines (not one of a library it uses): null and 127 when
// there is none, 126 for a null module, 6 for an unknown one.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// The module's file (null: the program) as a path handed back. A buffer too small gets the path
// cut to nSize - 1 characters and terminated; the result is then nSize and the last error 122.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
// Succeeds: thread notifications are never sent.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule);

}  // extern "C"

#ifdef UNICODE
#define LoadLibrary LoadLibraryW
#define GetModuleFileName GetModuleFileNameW
#else
#define LoadLibrary LoadLibraryA
#define GetModuleFileName GetModuleFileNameA
#endif
