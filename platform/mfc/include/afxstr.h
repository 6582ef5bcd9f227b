// MFC's string classes, as far as the system's programs use them: the narrow CStringA and the wide
// CStringW (UTF-16). CString is CStringW in a Unicode build (UNICODE defined), else CStringA.
#pragma once

#include <cstdarg>
#include <string>
#include <type_traits>

class CStringW;

// A narrow text (UTF-8 bytes as the program receives them). Positions and lengths are ints, as in MFC.
class CStringA {
public:
    CStringA() = default;
    // The UTF-8 form of a wide text (a null pointer gives an empty text).
    explicit CStringA(const char16_t* text);
    explicit CStringA(const CStringW& text);

    // Appends the text; a null pointer appends nothing.
    CStringA& operator+=(const char* text);
    CStringA& operator+=(const CStringA& text);

    // Position of the first occurrence of `sub` (case-sensitive), -1 when absent or when `sub` is null.
    // An empty `sub` is found at 0.
    int Find(const char* sub) const;

    // `count` characters from `first`. A negative first or count counts as 0; a count past the end
    // stops at the end; a first past the end gives an empty text.
    CStringA Mid(int first, int count) const;

    int GetLength() const { return static_cast<int>(text_.size()); }
    const char* GetString() const { return text_.c_str(); }

private:
    void Append(const char* text, size_t length);

    std::string text_;
};

// A wide text of UTF-16 code units. Positions and lengths count code units and are ints, as in MFC;
// every position argument is clamped to the text as MFC does. A null text pointer counts as empty.
class CStringW {
public:
    CStringW() = default;
    CStringW(const char16_t* text);
    CStringW(const char16_t* text, int length);
    // The character repeated (nothing for a count below 1).
    CStringW(char16_t ch, int repeat);
    // The UTF-16 form of a narrow (UTF-8) text.
    explicit CStringW(const char* text);
    explicit CStringW(const CStringA& text);

    CStringW& operator=(const char16_t* text);

    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }
    const char16_t* GetString() const { return text_.c_str(); }
    operator const char16_t*() const { return text_.c_str(); }
    // The unit at a position (0 outside the text).
    char16_t GetAt(int index) const;
    char16_t operator[](int index) const { return GetAt(index); }

    CStringW& operator+=(const CStringW& text);
    CStringW& operator+=(const char16_t* text);
    CStringW& operator+=(char16_t ch);
    friend CStringW operator+(const CStringW& a, const CStringW& b);
    friend CStringW operator+(const CStringW& a, const char16_t* b);
    friend CStringW operator+(const char16_t* a, const CStringW& b);
    friend CStringW operator+(const CStringW& a, char16_t b);
    friend CStringW operator+(char16_t a, const CStringW& b);

    // Ordinal comparison of the code units (<0, 0, >0); CompareNoCase compares the lower-case
    // forms (MakeLower).
    int Compare(const char16_t* text) const;
    int CompareNoCase(const char16_t* text) const;
    friend bool operator==(const CStringW& a, const CStringW& b) { return a.text_ == b.text_; }
    friend bool operator==(const CStringW& a, const char16_t* b) { return a.Compare(b) == 0; }
    friend bool operator<(const CStringW& a, const CStringW& b) { return a.text_ < b.text_; }
    friend bool operator>(const CStringW& a, const CStringW& b) { return b.text_ < a.text_; }
    friend bool operator<=(const CStringW& a, const CStringW& b) { return !(b.text_ < a.text_); }
    friend bool operator>=(const CStringW& a, const CStringW& b) { return !(a.text_ < b.text_); }

    // First position, from `start` on, of the character or the text; -1 when absent (an empty text
    // is found at `start` when that lies within the text or at its end).
    int Find(char16_t ch, int start = 0) const;
    int Find(const char16_t* sub, int start = 0) const;
    // Last position of the character; -1 when absent.
    int ReverseFind(char16_t ch) const;

    // `count` units from `first` (to the end without a count), clamped as in CStringA::Mid; the
    // first or last `count` units (a negative count gives an empty text).
    CStringW Mid(int first) const;
    CStringW Mid(int first, int count) const;
    CStringW Left(int count) const;
    CStringW Right(int count) const;

    // Replaces every occurrence, left to right without overlap; the result is the count replaced
    // (0 for an empty `from`).
    int Replace(char16_t from, char16_t to);
    int Replace(const char16_t* from, const char16_t* to);

    // Letter case of ASCII and Latin-1 letters.
    CStringW& MakeLower();
    CStringW& MakeUpper();
    // Removes blanks, tabs, carriage returns, line feeds, vertical tabs and form feeds.
    CStringW& Trim();
    CStringW& TrimLeft();
    CStringW& TrimRight();

    // Formats as Windows' C run time does (%s and %c wide, %S and %hs narrow, ...). A CStringW or
    // CStringA argument is handed on as its text pointer, as MFC's layout lets a CString pass.
    template <typename... Args>
    void Format(const char16_t* format, const Args&... args) {
        FormatArgs(format, FormatArg(args)...);
    }
    void FormatV(const char16_t* format, va_list args);

private:
    static const char16_t* FormatArg(const CStringW& text) { return text.GetString(); }
    static const char* FormatArg(const CStringA& text) { return text.GetString(); }
    template <typename T>
    static std::decay_t<const T&> FormatArg(const T& value) {
        static_assert(std::is_trivially_copyable_v<std::decay_t<const T&>>, "Format takes plain values");
        return value;
    }
    void FormatArgs(const char16_t* format, ...);

    std::u16string text_;
};

#ifdef UNICODE
typedef CStringW CString;
#else
typedef CStringA CString;
#endif
