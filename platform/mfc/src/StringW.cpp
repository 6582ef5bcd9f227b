#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "afxstr.h"

namespace {

size_t Length(const char16_t* text) {
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != 0) ++n;
    return n;
}

std::u16string_view View(const char16_t* text) { return std::u16string_view(text == nullptr ? u"" : text, Length(text)); }

char16_t Lower(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    return c;
}

char16_t Upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
    return c;
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// A position argument clamped to [0, length].
size_t Clamp(int value, size_t length) {
    if (value < 0) return 0;
    return std::min(static_cast<size_t>(value), length);
}

void CheckLength(size_t length) {
    if (length > static_cast<size_t>(INT32_MAX)) throw std::length_error("CStringW: a text longer than INT_MAX units");
}

}  // namespace

// ---- narrow and wide ----

CStringA::CStringA(const char16_t* text) {
    const int n = text == nullptr || *text == 0 ? 0 : WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return;
    std::vector<char> bytes(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), n, nullptr, nullptr);
    Append(bytes.data(), static_cast<size_t>(n - 1));
}

CStringA::CStringA(const CStringW& text) : CStringA(text.GetString()) {}

CStringW::CStringW(const char* text) {
    const int n = text == nullptr || *text == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 1) return;
    text_.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, text, -1, text_.data(), n);
    text_.resize(static_cast<size_t>(n - 1));
}

CStringW::CStringW(const CStringA& text) : CStringW(text.GetString()) {}

// ---- construction and assignment ----

CStringW::CStringW(const char16_t* text) : text_(View(text)) {}

CStringW::CStringW(const char16_t* text, int length) {
    if (text != nullptr && length > 0) text_.assign(text, static_cast<size_t>(length));
}

CStringW::CStringW(char16_t ch, int repeat) {
    if (repeat > 0) text_.assign(static_cast<size_t>(repeat), ch);
}

CStringW& CStringW::operator=(const char16_t* text) {
    text_ = View(text);   // a pointer into this text itself is read before the text changes
    return *this;
}

char16_t CStringW::GetAt(int index) const {
    return index < 0 || static_cast<size_t>(index) >= text_.size() ? 0 : text_[static_cast<size_t>(index)];
}

// ---- concatenation ----

CStringW& CStringW::operator+=(const CStringW& text) {
    CheckLength(text_.size() + text.text_.size());
    text_ += text.text_;
    return *this;
}

CStringW& CStringW::operator+=(const char16_t* text) {
    const std::u16string_view more = View(text);
    CheckLength(text_.size() + more.size());
    text_.append(std::u16string(more));   // copied first: the text may point into this one
    return *this;
}

CStringW& CStringW::operator+=(char16_t ch) {
    CheckLength(text_.size() + 1);
    text_ += ch;
    return *this;
}

CStringW operator+(const CStringW& a, const CStringW& b) {
    CStringW r(a);
    r += b;
    return r;
}

CStringW operator+(const CStringW& a, const char16_t* b) {
    CStringW r(a);
    r += b;
    return r;
}

CStringW operator+(const char16_t* a, const CStringW& b) {
    CStringW r(a);
    r += b;
    return r;
}

CStringW operator+(const CStringW& a, char16_t b) {
    CStringW r(a);
    r += b;
    return r;
}

CStringW operator+(char16_t a, const CStringW& b) {
    CStringW r(a, 1);
    r += b;
    return r;
}

// ---- comparison and search ----

int CStringW::Compare(const char16_t* text) const {
    const int c = std::u16string_view(text_).compare(View(text));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CStringW::CompareNoCase(const char16_t* text) const {
    const std::u16string_view other = View(text);
    const size_t n = std::min(text_.size(), other.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t a = Lower(text_[i]);
        const char16_t b = Lower(other[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (text_.size() == other.size()) return 0;
    return text_.size() < other.size() ? -1 : 1;
}

int CStringW::Find(char16_t ch, int start) const {
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) >= text_.size()) return -1;
    const size_t at = text_.find(ch, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CStringW::Find(const char16_t* sub, int start) const {
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) > text_.size()) return -1;
    const size_t at = text_.find(View(sub), static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CStringW::ReverseFind(char16_t ch) const {
    const size_t at = text_.rfind(ch);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

// ---- parts ----

CStringW CStringW::Mid(int first) const { return Mid(first, GetLength()); }

CStringW CStringW::Mid(int first, int count) const {
    const size_t start = Clamp(first, text_.size());
    const size_t n = std::min(Clamp(count, text_.size()), text_.size() - start);
    CStringW part;
    part.text_.assign(text_, start, n);
    return part;
}

CStringW CStringW::Left(int count) const { return Mid(0, count); }

CStringW CStringW::Right(int count) const {
    const size_t n = Clamp(count, text_.size());
    CStringW part;
    part.text_.assign(text_, text_.size() - n, n);
    return part;
}

// ---- edits ----

int CStringW::Replace(char16_t from, char16_t to) {
    int n = 0;
    for (char16_t& c : text_) {
        if (c == from) {
            c = to;
            ++n;
        }
    }
    return n;
}

int CStringW::Replace(const char16_t* from, const char16_t* to) {
    const std::u16string what(View(from));
    const std::u16string with(View(to));
    if (what.empty()) return 0;
    std::u16string out;
    int n = 0;
    size_t pos = 0;
    for (size_t at = text_.find(what); at != std::u16string::npos; at = text_.find(what, pos)) {
        out.append(text_, pos, at - pos);
        out += with;
        pos = at + what.size();
        ++n;
    }
    if (n == 0) return 0;
    out.append(text_, pos, std::u16string::npos);
    CheckLength(out.size());
    text_.swap(out);
    return n;
}

CStringW& CStringW::MakeLower() {
    for (char16_t& c : text_) c = Lower(c);
    return *this;
}

CStringW& CStringW::MakeUpper() {
    for (char16_t& c : text_) c = Upper(c);
    return *this;
}

CStringW& CStringW::Trim() { return TrimRight().TrimLeft(); }

CStringW& CStringW::TrimLeft() {
    size_t i = 0;
    while (i < text_.size() && IsSpace(text_[i])) ++i;
    text_.erase(0, i);
    return *this;
}

CStringW& CStringW::TrimRight() {
    size_t n = text_.size();
    while (n > 0 && IsSpace(text_[n - 1])) --n;
    text_.resize(n);
    return *this;
}

// ---- formatting ----

void CStringW::FormatV(const char16_t* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int n = _vscwprintf(format, measure);
    va_end(measure);
    std::u16string out(static_cast<size_t>(std::max(n, 0)) + 1, u'\0');
    va_list copy;
    va_copy(copy, args);
    _vsnwprintf(out.data(), out.size(), format, copy);
    va_end(copy);
    out.resize(static_cast<size_t>(std::max(n, 0)));
    text_.swap(out);
}

void CStringW::FormatArgs(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}
