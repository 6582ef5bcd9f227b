#include "KxGSqlNames.h"

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool KxGIsPlainIdentifier(const std::string& text, int32_t maxLength)
{
    if (text.empty() || !IsAsciiLetter(text[0]) || (maxLength > 0 && text.size() > static_cast<size_t>(maxLength))) {
        return false;
    }
    for (char c : text) {
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '$' && c != '#') {
            return false;
        }
    }
    return true;
}

bool KxGIsPlainIdentifier(const KxString& name, int32_t maxLength)
{
    return KxGIsPlainIdentifier(name.ToUtf8(), maxLength);
}
