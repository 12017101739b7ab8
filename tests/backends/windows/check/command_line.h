// One argument quoted for a Windows command line, so that the usual splitting (the C runtime's,
// and Wine's when it starts a Unix program) gives it back unchanged.
#pragma once

#include <string>

namespace tensilo::check {

inline std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote are doubled.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

} // namespace tensilo::check
