// What both demo programs share for the commands they hand to the shell.
#pragma once

#include <string>

namespace demo {

// The text as one word of a POSIX shell: in single quotes, each ' written as '\''.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace demo
