// String: the class library's 8-bit text.
#pragma once

#include <cstdint>
#include <string>

#include "svdef.h"

class ResId;

enum StringCompare { COMPARE_LESS = -1, COMPARE_EQUAL = 0, COMPARE_GREATER = 1 };

// An 8-bit text of at most STRING_MAXLEN characters (longer input is cut there). A null
// `const char*` gives the empty text. Positions are 16-bit; STRING_LEN as a count means "to the
// end", STRING_NOTFOUND is the answer of a search that finds nothing.
class String {
public:
    String();
    String(const char* text);
    String(const char* text, uint16_t len);
    String(const String& other);
    String(String&& other) noexcept;
    // The part of `other` from `index`, at most `count` characters.
    String(const String& other, uint16_t index, uint16_t count);
    explicit String(const std::string& text);
    // One character.
    explicit String(char c);
    // Numbers in decimal.
    explicit String(short n);
    explicit String(unsigned short n);
    explicit String(int n);
    explicit String(unsigned int n);
    explicit String(long n);
    explicit String(unsigned long n);
    // The string resource of the id (its manager, else the current one).
    explicit String(const ResId& id);
    ~String();

    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    String& operator=(const char* text);

    uint16_t Len() const;
    const char* GetStr() const;

    // The character at a position; 0 past the end.
    char operator[](uint16_t index) const;
    // The rest of the text from `index`; the part from `index` of at most `count` characters.
    String operator()(uint16_t index) const;
    String operator()(uint16_t index, uint16_t count) const;
    // True for the empty text.
    bool operator!() const;
    // The first character (0 for the empty text).
    explicit operator char() const;
    operator const char*() const;

    // Text to number: leading blanks, a sign and the leading digits are read; a text without a
    // number gives 0; a number out of the class library's range (short, 32-bit long and
    // unsigned long) gives the nearest limit.
    explicit operator short() const;
    explicit operator unsigned short() const;
    explicit operator int() const;
    explicit operator long() const;
    explicit operator unsigned long() const;
    explicit operator double() const;

    String& operator+=(const String& text);
    String& operator+=(const char* text);
    String& operator+=(char c);

    // Byte-wise comparison (characters as unsigned).
    StringCompare Compare(const String& other) const;

    // The first position at or after `from` where the text or character occurs.
    uint16_t Search(const String& text, uint16_t from = 0) const;
    uint16_t Search(char c, uint16_t from = 0) const;

    String Copy(uint16_t index = 0, uint16_t count = STRING_LEN) const;
    String& Erase(uint16_t index = 0, uint16_t count = STRING_LEN);
    // Inserts at a position; STRING_LEN (or any position past the end) appends.
    String& Insert(const String& text, uint16_t index = STRING_LEN);
    String& Insert(char c, uint16_t index = STRING_LEN);
    // ASCII letters only.
    String& Upper();
    String& Lower();

    // Tokens separated by `sep`: "120,,90," holds the four tokens "120", "", "90" and "". The
    // empty text holds none; a token number past the last gives the empty text.
    uint16_t GetTokenCount(char sep = ';') const;
    String GetToken(uint16_t n, char sep = ';') const;

private:
    void Assign(const char* text, size_t len);
    std::string text_;
};

String operator+(const String& a, const String& b);
String operator+(const String& a, const char* b);
String operator+(const char* a, const String& b);

bool operator==(const String& a, const String& b);
bool operator==(const String& a, const char* b);
bool operator==(const char* a, const String& b);
bool operator!=(const String& a, const String& b);
bool operator!=(const String& a, const char* b);
bool operator!=(const char* a, const String& b);
bool operator<(const String& a, const String& b);
bool operator>(const String& a, const String& b);
bool operator<=(const String& a, const String& b);
bool operator>=(const String& a, const String& b);
