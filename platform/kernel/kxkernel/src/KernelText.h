// Text helpers shared by the kernel's sources (not exported).
#pragma once

#include <cstdint>
#include <string>

namespace kxk {

std::string Trim(const std::string& s);
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string LowerAscii(std::string s);
// Reads an optionally signed decimal or 0x-hexadecimal integer with optional surrounding blanks.
// False for anything else or a value outside the 64-bit range.
bool ParseInteger(const std::string& text, int64_t& out);

}  // namespace kxk
