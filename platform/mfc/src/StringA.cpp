#include "afxstr.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>

void CStringA::Append(const char* text, size_t length) {
    if (length > static_cast<size_t>(INT_MAX) - text_.size())
        throw std::length_error("CStringA: a text longer than INT_MAX characters");
    text_.append(text, length);
}

CStringA& CStringA::operator+=(const char* text) {
    if (text != nullptr) Append(text, std::strlen(text));
    return *this;
}

CStringA& CStringA::operator+=(const CStringA& text) {
    Append(text.text_.data(), text.text_.size());
    return *this;
}

int CStringA::Find(const char* sub) const {
    if (sub == nullptr) return -1;
    const size_t at = text_.find(sub);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CStringA CStringA::Mid(int first, int count) const {
    const int64_t length = GetLength();
    const int64_t start = std::min<int64_t>(std::max(first, 0), length);
    const int64_t n = std::min<int64_t>(std::max(count, 0), length - start);
    CStringA part;
    part.text_.assign(text_, static_cast<size_t>(start), static_cast<size_t>(n));
    return part;
}
