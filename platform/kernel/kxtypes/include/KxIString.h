// KxIString and KxCaseIString: texts of their own kernel type codes (20 and 21).
// KxIString behaves as KxString. KxCaseIString compares without regard to case (==, != and <
// ignore case); everything else is as KxString.
#pragma once

#include "KxString.h"

class KxIString : public KxString {
public:
    using KxString::KxString;
    KxIString() = default;
    KxIString(const KxString& s) : KxString(s) {}
    KxIString& operator=(const KxString& s) { KxString::operator=(s); return *this; }
    KxIString& operator=(const char* s) { KxString::operator=(s); return *this; }
};

class KxCaseIString : public KxString {
public:
    using KxString::KxString;
    KxCaseIString() = default;
    KxCaseIString(const KxString& s) : KxString(s) {}
    KxCaseIString& operator=(const KxString& s) { KxString::operator=(s); return *this; }
    KxCaseIString& operator=(const char* s) { KxString::operator=(s); return *this; }

    bool operator==(const KxString& o) const { return Compare(o, KX_IGNORECASE) == 0; }
    bool operator!=(const KxString& o) const { return Compare(o, KX_IGNORECASE) != 0; }
    bool operator<(const KxString& o) const { return Compare(o, KX_IGNORECASE) < 0; }
    friend bool operator==(const KxCaseIString& a, const char* b) { return a == KxString(b); }
    friend bool operator==(const char* a, const KxCaseIString& b) { return b == KxString(a); }
    friend bool operator!=(const KxCaseIString& a, const char* b) { return !(a == KxString(b)); }
    friend bool operator!=(const char* a, const KxCaseIString& b) { return !(b == KxString(a)); }
};
