// The option file of the schema mapper.
//
// A line holds class, member and option name separated by any of tab, double quote, backslash, slash,
// parentheses, square brackets, blank and semicolon; the rest of the line up to the next of those
// characters except the blank (or the line end) is the argument text, blanks and commas kept,
// trimmed on both sides.
#include <cstring>
#include <fstream>
#include <string>

#include "KxGOptionRegistry.h"
#include "KxGStatusCodes.h"

namespace {

// Longest line the reader takes (its buffer holds 256 characters with the terminator).
constexpr size_t kMaxLineLength = 255;

const char kSeparators[] = "\t\"\\/()[] ;";
const char kArgumentSeparators[] = "\t\"\\/()[];";

bool IsIn(char c, const char* set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// The next token from `at`: separators skipped, then everything up to the next separator, which is
// consumed. Empty when the line ends first.
std::string NextToken(const std::string& line, size_t& at, const char* separators)
{
    while (at < line.size() && IsIn(line[at], separators)) {
        ++at;
    }
    const size_t start = at;
    while (at < line.size() && !IsIn(line[at], separators)) {
        ++at;
    }
    std::string token = line.substr(start, at - start);
    if (at < line.size()) {
        ++at;   // the separator that ended the token
    }
    return token;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

int32_t KxGOptionRegistry::ReadOptionFile(const KxString& path, uint16_t& line)
{
    line = 0;
    std::ifstream file(path.StrGet());
    if (!file) {
        return KXG_E_CANNOT_READ_OPTION_FILE;
    }
    std::string text;
    uint32_t number = 0;
    while (std::getline(file, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '/' || text[first] == ';') {
            continue;   // a comment, of any length
        }
        line = static_cast<uint16_t>(number);
        if (text.size() > kMaxLineLength) {
            return KXG_E_INCORRECT_OPTION_LINE;
        }
        size_t at = first;
        const std::string className = NextToken(text, at, kSeparators);
        const std::string member = NextToken(text, at, kSeparators);
        KxString option(NextToken(text, at, kSeparators));
        option.ToUpper();
        const std::string arguments = Trim(NextToken(text, at, kArgumentSeparators));
        const int32_t result = ProcessOption(KxString(className), KxString(member), option, KxString(arguments), line);
        if (result != 0) {
            return result;
        }
    }
    line = 0;
    return 0;
}
