// Text helpers of the Win32 stand-in: UTF-8 and UTF-16 both ways, and the buffer rules of the
// calls that copy a text out.
#pragma once

#include <string>
#include <string_view>

#include "windows.h"

namespace w32 {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Null gives an empty text.
std::string ToUtf8(const char16_t* text);
// UTF-8 to UTF-16; a byte that does not belong to a valid sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);
// True when the text is well-formed UTF-16 (no lone surrogates).
bool IsValidUtf16(std::u16string_view text);

size_t Length(const char16_t* text);

// The rule of the calls that answer a length: when the text and its terminator fit into size
// characters, they are copied and the text's length is the result; otherwise nothing is copied
// and the result is the size needed, terminator included.
DWORD CopyOrNeed(const std::string& text, LPSTR buffer, DWORD size);
DWORD CopyOrNeed(const std::u16string& text, LPWSTR buffer, DWORD size);

// Copies at most size - 1 characters and a terminator (nothing for size 0); a UTF-8 text is cut
// before a character that would not fit whole. Returns the characters copied.
DWORD CopyCut(const std::string& text, LPSTR buffer, DWORD size);
DWORD CopyCut(const std::u16string& text, LPWSTR buffer, DWORD size);

}  // namespace w32
