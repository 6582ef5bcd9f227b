// Path helpers of the Win32 stand-in.
#pragma once

#include <string>

#include "windows.h"

namespace w32 {

// The Linux path of a path handed in; false with the last error set (87 for null).
bool LinuxPath(LPCSTR path, std::string& out);
bool LinuxPath(LPCWSTR path, std::string& out);

// The regular file of the folder whose name equals the name without regard to ASCII case (the
// name as spelled first); empty when there is none.
std::string FindFileNoCase(const std::string& folder, const std::string& name);

// The path of the running program.
std::string ProgramFile();

}  // namespace w32
