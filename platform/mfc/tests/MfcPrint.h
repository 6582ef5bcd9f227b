// Lets GoogleTest print wide texts in its messages (as UTF-8).
#pragma once

#include <ostream>

#include "afxstr.h"

inline void PrintTo(const CStringW& text, std::ostream* os) { *os << "u\"" << CStringA(text).GetString() << '"'; }
