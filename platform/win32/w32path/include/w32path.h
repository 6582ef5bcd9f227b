// w32path: Windows paths on Linux, without dependencies beyond the standard library.
//
// Rules:
// - "\" and "/" both separate.
// - "X:" names a drive whose root is the folder in the environment variable W32_DRIVE_X (any
//   letter, either case); C: is "/" when W32_DRIVE_C is unset; another unset drive does not exist.
// - A path that begins with "/" is a Linux path. "\x" is x at the root of the current directory's
//   drive; a relative path goes on from the current directory (the process's own).
// - "." and ".." are resolved in the text; ".." stops at a drive's root. Trailing dots and blanks of
//   a name are dropped, as Windows does.
// - On the way to a file, a name that does not exist as spelled takes the first name of its folder
//   (in byte order) that equals it without regard to ASCII case.
// - Paths handed back name the drive whose root is the longest prefix of the Linux path, with
//   backslashes ("C:\work\x"); under no drive's root they stay in Linux form.
// - A full path of 260 UTF-16 units or more, or a name of more than 255, is too long.
//
// Results are Windows error numbers: 0, 3 (a drive that does not exist), 53 (a network path),
// 123 (a name with a character Windows refuses: < > : " | ? * or a control character),
// 206 (too long).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace w32path {

constexpr size_t kMaxPath = 260;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kBadNetPath = 53;
constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kFilenameTooLong = 206;

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The Linux folder of a drive letter (either case), without a trailing "/" unless it is "/";
// empty when the drive does not exist.
std::string DriveRoot(char letter);

// The current directory as a path handed back.
std::string CurrentDirectory();

// The full path of a path (what GetFullPathName answers), worked out in the text alone: the file
// system is not looked at and drives need not exist. A trailing separator is kept. 0, 53 or 123
// (an empty path).
uint32_t FullPath(std::string_view path, std::string& out);

// The Linux path of a path handed in: the full path, mapped through its drive and, name by name,
// matched without regard to case where the spelling does not exist. 0 or an error number
// (out unchanged).
uint32_t ToLinux(std::string_view path, std::string& out);

// The form handed back of a Linux path (absolute, or relative to the current directory).
std::string ToWindows(std::string_view linuxPath);

// The length of a UTF-8 text in UTF-16 units.
size_t Utf16Length(std::string_view utf8);

}  // namespace w32path
