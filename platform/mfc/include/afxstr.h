// MFC's string classes, as far as the system's programs use them.
#pragma once

#include <string>

// A narrow text (UTF-8 bytes as the program receives them). Positions and lengths are ints, as in MFC.
class CStringA {
public:
    CStringA() = default;

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
