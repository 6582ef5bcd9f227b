// Path helpers of the Win32 stand-in.
#pragma once

#include <string>

#include "windows.h"

namespace w32 {

// The Linux path of a path handed in; false with the last error set (87 for null).
bool LinuxPath(LPCSTR path, std::string& out);
bool LinuxPath(LPCWSTR path, std::string& out);

}  // namespace w32
