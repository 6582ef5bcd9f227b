// KxString: the kernel's text value.
//
// A text is either inactive (null, no value) or active. An active text is held as 8-bit characters
// (code sets up to 224; code set 1 is the Windows-1252 repertoire) or as 16-bit UTF-16 code units
// (code set 253). An active empty text is not the same value as an inactive text.
#pragma once

#include <cstdint>
#include <string>

#include "KxTypesStatus.h"

class KxString {
public:
    // Flags of Compare and SubStringPos. Ignore-case wins when both case flags are given;
    // without either flag the comparison is case-sensitive. KX_NOEFFECT changes nothing.
    enum : int32_t {
        KX_CASESENSITIVE = 0x01,
        KX_NOEFFECT      = 0x10,
        KX_IGNORECASE    = 0x20
    };

    KxString();                                  // inactive
    KxString(const char* s);                     // active, 8-bit, code set 1; nullptr gives inactive
    KxString(const char* s, uint32_t len);       // len bytes (may contain NUL); nullptr gives inactive
    KxString(const std::string& s);              // active, 8-bit, code set 1
    KxString(const char16_t* s);                 // active, 16-bit, code set 253; nullptr gives inactive
    KxString(const char16_t* s, uint32_t len);
    KxString(const std::u16string& s);
    // Number and character texts (explicit, so that numbers never turn into texts unnoticed):
    // one character; decimal integers; the shortest text that reads back as the same double.
    explicit KxString(char c);
    explicit KxString(int32_t n);
    explicit KxString(uint32_t n);
    explicit KxString(int64_t n);
    explicit KxString(uint64_t n);
    explicit KxString(long long n);
    explicit KxString(unsigned long long n);
    explicit KxString(double d);
    KxString(const KxString& other);
    KxString(KxString&& other) noexcept;
    ~KxString();

    KxString& operator=(const KxString& other);
    KxString& operator=(KxString&& other) noexcept;
    KxString& operator=(const char* s);          // nullptr makes the text inactive

    // State.
    bool IsActive() const;
    void SetInactive();
    bool IsEmpty() const;                        // true for inactive or zero length
    uint32_t Len() const;                        // characters (16-bit: code units)
    bool Is16Bit() const;

    // Content.
    // NUL-terminated 8-bit text; "" when inactive. A 16-bit text is given mapped to code set 1,
    // characters without a code set 1 form shown as '?'. The pointer is valid until the next change.
    const char* StrGet() const;
    std::u16string ToUtf16() const;              // the characters as UTF-16 (empty when inactive)
    std::string ToUtf8() const;                  // the characters as UTF-8 (empty when inactive)
    // A text from UTF-8: 8-bit code set 1 when every character has a code set 1 form, else 16-bit
    // code set 253. Malformed UTF-8 gives an inactive text.
    static KxString FromUtf8(const std::string& utf8);
    static KxString FromUtf8(const char* utf8, size_t size);

    // Code set and language.
    uint8_t CodeSet() const;
    // Converts the text to the code set (1 or 253; for an inactive text only the code set is set).
    // Negative (KX_TYPES_E_MAPPING) when some character has no form in the code set, and then the text
    // is unchanged; KX_TYPES_E_CODESET for a code set the stand-in does not know.
    int32_t SetCodeSet(uint8_t cs);   // 0 (no particular code set) is an 8-bit code set like 1
    uint8_t Language() const;
    void SetLanguage(uint8_t language);

    // Concatenation. Appending to an inactive text makes it active. A 16-bit operand makes the
    // result 16-bit.
    KxString operator+(const KxString& other) const;
    KxString& operator+=(const KxString& other);
    friend KxString operator+(const char* a, const KxString& b) { return KxString(a) + b; }
    KxString& operator<<(const char* s);
    KxString& operator<<(const KxString& s);
    KxString& operator<<(char c);
    KxString& operator<<(int32_t n);
    KxString& operator<<(uint32_t n);
    KxString& operator<<(int64_t n);
    KxString& operator<<(uint64_t n);
    KxString& operator<<(long long n);
    KxString& operator<<(unsigned long long n);
    KxString& operator<<(double d);              // shortest form that reads back

    // Text to number, as the C conversions do: leading blanks, an optional sign, then digits (for
    // ToDouble a decimal number); reading stops at the first other character; no number gives 0.
    // Values beyond the range of 64 bits saturate; narrower results are cut to their width.
    int16_t ToShort() const;
    int32_t ToInt() const;
    uint32_t ToULong() const;
    int64_t ToInt64() const;
    double ToDouble() const;

    // Comparison by character values; an inactive text sorts before every active one and equals
    // only another inactive text.
    bool operator==(const KxString& other) const;   // case-sensitive
    bool operator!=(const KxString& other) const;
    bool operator<(const KxString& other) const;    // case-sensitive
    friend bool operator==(const char* a, const KxString& b) { return KxString(a) == b; }
    friend bool operator!=(const char* a, const KxString& b) { return !(KxString(a) == b); }
    int32_t Compare(const KxString& other, int32_t flags) const;   // <0, 0, >0

    // Search. Positions count characters from 0.
    // First position of c in [from, to] (to inclusive; -1 or past the end: up to the end); -1 when absent.
    int32_t Find(char c, int32_t from = 0, int32_t to = -1) const;
    // First position of pattern; -1 when absent. An empty pattern is found at 0.
    int32_t SubStringPos(const KxString& pattern, int32_t flags) const;

    // Substrings (clipped to the text; an inactive text gives an inactive result).
    KxString Copy(uint32_t from, uint32_t len) const;
    KxString Left(uint32_t n) const;
    KxString Right(uint32_t n) const;

    // In-place edits. Trimming removes blanks, tabs, CR, LF, VT and FF. Case mapping covers
    // ASCII, Latin-1 and the Windows-1252 extras (and Greek and Cyrillic for 16-bit texts).
    KxString& LeftTrim();
    KxString& RightTrim();
    KxString& ToLower();
    KxString& ToUpper();
    KxString& ReplaceAll(const KxString& what, const KxString& with);   // empty 'what': no change

    static const KxString& EmptyString();        // active, empty

private:
    void Sync16(size_t from = 0);                // refresh the 8-bit view of a 16-bit text from a position
    void Become16();                             // convert an 8-bit text to 16-bit (lossless)
    void AppendAscii(const char* s);

    std::string n_;          // 8-bit characters, or the code set 1 view of a 16-bit text
    std::u16string w_;       // 16-bit characters (16-bit texts only)
    uint8_t codeSet_ = 1;
    uint8_t language_ = 0;
    bool active_ = false;
    bool wide_ = false;
};
