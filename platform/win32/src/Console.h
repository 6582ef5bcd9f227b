// The console side of the Win32 stand-in: the standard handles and the one stream of text that
// wprintf, WriteFile on a standard handle and debugger output share.
#pragma once

#include <cstddef>
#include <string_view>

#include "windows.h"

namespace w32 {

bool IsConsoleHandle(HANDLE h);
// The descriptor to read for a standard input handle; -1 for any other handle.
int ConsoleReadFd(HANDLE h);
void ConsoleWrite(HANDLE h, const char* data, size_t size);
// Writes UTF-8 text to standard output (1) or standard error (2), or to the test's console hook.
void ConsoleText(int stream, std::string_view text);

}  // namespace w32
