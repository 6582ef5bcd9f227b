// cipherutil32: the password decoding of the stored database settings (stand-in).
//
// The stored form is an encoding of our own, not protection: the marker "{CU32}" followed by four
// upper-case hexadecimal digits per UTF-16 unit of the text, each unit exclusive-ored with 0x5A3C.
#pragma once

#include <cstdint>

#include "afxstr.h"

// Turns the stored form into the text. `mode` and `flags` are the caller's (1 and 0), `reserved`
// is null. The result is the length of the text written to `out`; anything that is not a
// well-formed stored form (no marker, a digit count not a multiple of four, a character that is no
// hexadecimal digit, a decoded text with a terminator or a lone surrogate in it) gives an empty text
// and 0.
int32_t DecryptOnlyOneStringAndDecode2String(CStringW& out, int32_t mode, int32_t flags, const CStringW& stored,
                                             void* reserved);

// The stored form of the text, as the installer writes it into the registry (used by fixtures).
CStringW EncryptOnlyOneStringAndEncode2String(const CStringW& text);
