// Internal helpers of kxtypes: strict number parsing, printf-like number formats, date formats.
#pragma once

#include <cstdint>
#include <string>

namespace kxtypes_detail {

// Strict integer text: optional blanks, optional sign (when allowSign), digits in base, optional
// blanks, nothing else. KX_TYPES_E_SCAN or KX_TYPES_E_OVERFLOW (magnitude past 64 bits).
int32_t ParseInteger(const char* text, int base, bool allowSign, bool& negative, uint64_t& magnitude);

// Signed result in [lo, hi]; KX_TYPES_E_OVERFLOW outside.
int32_t ParseSigned(const char* text, int base, int64_t lo, int64_t hi, int64_t& out);
// Unsigned result up to hi; a minus sign is a scan error (a "-0" too).
int32_t ParseUnsigned(const char* text, int base, uint64_t hi, uint64_t& out);
// Real number: blanks, the number (sign, digits, point, exponent, inf, nan), blanks.
int32_t ParseDouble(const char* text, double& out);
int32_t ParseFloat(const char* text, float& out);

// A printf-like format with exactly one conversion.
struct NumFormat {
    std::string prefix;    // literal text before the conversion ('%%' resolved)
    std::string flags;     // flags, width and precision as written
    char conv = 0;         // conversion character
    std::string suffix;    // literal text after it
};
// KX_TYPES_E_INVALID for anything but one conversion of the classes allowed.
int32_t ParseNumFormat(const char* format, bool allowInteger, bool allowReal, bool allowChar,
                       NumFormat& nf);
// Base for scanning with a format: 16 for x/X, 8 for o, else 10.
int NumFormatBase(const char* format);

std::string FormatSigned(const NumFormat& nf, int64_t v);
std::string FormatUnsigned(const NumFormat& nf, uint64_t v);
std::string FormatReal(const NumFormat& nf, double v);
std::string FormatChar(const NumFormat& nf, char c);

std::string ShortestDouble(double v);
std::string ShortestFloat(float v);

// Date and time fields and their formats.
struct DateTimeFields {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
int32_t PrintDateTime(const char* format, const DateTimeFields& f, std::string& out);
int32_t ScanDateTime(const char* format, const char* text, DateTimeFields& f);

bool IsBlankChar(char c);

}  // namespace kxtypes_detail
