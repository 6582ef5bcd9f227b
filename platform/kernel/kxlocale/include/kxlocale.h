// kxlocale: language and code-set context of the kernel stand-in.
#pragma once

#include <cstdint>

// Code sets known to the stand-in.
//   1   : 8-bit Western text (Windows-1252 repertoire)
//   253 : 16-bit text (UTF-16 code units)
// Code sets up to 224 are 8-bit code sets, above 224 are 16-bit code sets.
enum : uint8_t {
    KX_CODESET_DEFAULT8 = 1,
    KX_CODESET_MAX8BIT  = 224,
    KX_CODESET_UNICODE  = 253
};

class KxLanguageContext {
public:
    // The 8-bit code set used when a text is made from plain 8-bit characters.
    static uint8_t GetDefault8CodeSet();
    // The code set of the running process.
    static uint8_t GetNativeCodeSet();
    // True for code sets stored with one byte per character.
    static bool Is8BitCodeSet(uint8_t codeSet);
};
