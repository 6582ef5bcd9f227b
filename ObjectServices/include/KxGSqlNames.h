// Names that the gateway pastes into SQL text, and objects made without throwing.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "KxString.h"

// Whether `text` may stand in SQL text as a plain identifier: an ASCII letter, then ASCII letters,
// digits, "_", "$" and "#"; at most `maxLength` bytes when `maxLength` is above 0. A name that fails
// makes no statement.
bool KxGIsPlainIdentifier(const std::string& text, int32_t maxLength);
// The same for a kernel string, tested in its UTF-8 form (any character beyond ASCII fails).
bool KxGIsPlainIdentifier(const KxString& name, int32_t maxLength);

// A new object, or null when memory runs out (also inside its constructor).
template <typename T, typename... Args>
T* KxGMake(Args&&... args)
{
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
