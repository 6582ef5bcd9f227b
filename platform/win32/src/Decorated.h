// The Linux export name of a function exported under a Windows compiler's decorated name.
#pragma once

#include <string>

namespace w32 {

// "?openAgent@@YAPAVKxAgent@@PAVKxBench@@@Z" gives "_Z9openAgentP6KxBench". Only global functions
// with parameters of the built-in types, classes, pointers and references are understood; any
// other name (also an undecorated one) gives the empty text.
std::string LinuxNameOfDecorated(const char* decorated);

}  // namespace w32
