// The lexical layer of scenario files: words and quoted strings, numbers, byte lists, and the
// conversions between the file's UTF-8 and the UTF-16 code units that strings stand for.
#pragma once

#include "protocol/unicode_text.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tensilo::scenario {

// A fault in a scenario file; the runner reports it as FILE:LINE: message.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Token {
    std::string raw;     // as written, quotes and escapes included
    bool quoted = false; // the whole token is one string literal
};

// Splits a line into words separated by spaces or tabs; a string literal may stand anywhere in a
// word (as in key="two words") and keeps its spaces. Throws ScenarioError on an unterminated
// string.
std::vector<Token> SplitLine(std::string_view line);

// Whether the line holds no command: blank, or a comment whose first non-blank character is '#'.
bool IsBlankOrComment(std::string_view line);

// The UTF-16 code units of a string literal written with its quotes: \" is a quote, \\ a
// backslash, \uXXXX one code unit; every other character stands for itself.
std::u16string DecodeStringLiteral(std::string_view literal);

// Code units to UTF-8; a lone surrogate becomes U+FFFD.
using protocol::Utf16ToUtf8;

// Text in double quotes with '"' and '\' escaped by a backslash, as values are printed.
std::string QuoteText(std::string_view utf8);

// A decimal or 0x-hexadecimal number no larger than `max`.
std::uint32_t ParseNumber(std::string_view word, std::uint32_t max, std::string_view what);

// One byte written as one or two hex digits.
std::uint8_t ParseHexByte(std::string_view word);

// Bytes written as two hex digits each, one per word.
std::vector<std::uint8_t> ParseByteList(const std::vector<Token>& words, std::size_t first);

} // namespace tensilo::scenario
