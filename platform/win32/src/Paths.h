// Path helpers of the Win32 stand-in.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace w32 {

// The Linux path of a path handed in; false with the last error set (87 for null).
bool LinuxPath(LPCSTR path, std::string& out);
bool LinuxPath(LPCWSTR path, std::string& out);

// The regular file of the folder whose name equals the name without regard to ASCII case (the
// name as spelled first); empty when there is none.
std::string FindFileNoCase(const std::string& folder, const std::string& name);

// Where a file named by a program or module name is looked for: a name with a folder in that
// folder alone; a bare name beside the running program and then in the current directory. base
// gets the file name. 0 or the error number of a bad path.
DWORD SearchFolders(const std::string& name, std::vector<std::string>& folders, std::string& base);

// The path of the running program.
std::string ProgramFile();

}  // namespace w32
