// Values written into SQL text.
//
// A value that the gateway writes into a statement's text between single quotes is never altered:
// KxGAppendLiteral wraps it in quotes and doubles each single quote inside it, and nothing else.
//
// Class numbers: the class-id columns (CID of every class table, CLASS_ID of the catalog tables) hold
// a class number as the class-id handler stores it, a signed 16-bit value, so the numbers 32768 to
// 65535 (65311 to 65500 exist) are stored negative. Every class number written into SQL text, in a
// filter, a view condition or a catalog row, goes through KxGStoredClassNumber.
#pragma once

#include <cstdint>

#include "KxString.h"

// Appends "'" value "'" with each ' of the value doubled. An inactive value gives ''.
inline void KxGAppendLiteral(KxString& out, const KxString& value)
{
    KxString escaped = value.IsActive() ? value : KxString::EmptyString();
    escaped.ReplaceAll(KxString("'"), KxString("''"));
    out << "'" << escaped << "'";
}

// The class number (the low 16 bits of the argument) in the signed form the class-id columns hold.
inline int32_t KxGStoredClassNumber(uint32_t classNumber)
{
    return static_cast<int16_t>(static_cast<uint16_t>(classNumber));
}
