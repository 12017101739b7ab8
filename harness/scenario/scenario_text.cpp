#include "harness/scenario/scenario_text.h"

#include "harness/text/number_text.h"
#include "protocol/unicode_text.h"

#include <cstdint>

namespace tensilo::scenario {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The end of the string literal that opens at `open` (the index after its closing quote).
std::size_t LiteralEnd(std::string_view text, std::size_t open) {
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    throw ScenarioError("unterminated string");
}

// Decodes one UTF-8 sequence at `i`, advancing it; throws on malformed text.
char32_t DecodeUtf8OrThrow(std::string_view text, std::size_t& i) {
    if (const auto code = protocol::DecodeUtf8(text, i))
        return *code;
    throw ScenarioError("the text is not UTF-8");
}

} // namespace

bool IsBlankOrComment(std::string_view line) {
    for (char c : line) {
        if (IsSpace(c))
            continue;
        return c == '#';
    }
    return true;
}

std::vector<Token> SplitLine(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsSpace(line[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        bool onlyLiteral = line[i] == '"';
        while (i < line.size() && !IsSpace(line[i])) {
            if (line[i] == '"') {
                const std::size_t end = LiteralEnd(line, i);
                if (i != start)
                    onlyLiteral = false;
                i = end;
                if (i < line.size() && !IsSpace(line[i]))
                    onlyLiteral = false;
            } else {
                ++i;
            }
        }
        tokens.push_back({std::string(line.substr(start, i - start)), onlyLiteral});
    }
    return tokens;
}

std::u16string DecodeStringLiteral(std::string_view literal) {
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"')
        throw ScenarioError("expected a string in double quotes");
    const std::string_view body = literal.substr(1, literal.size() - 2);
    std::u16string units;
    std::size_t i = 0;
    while (i < body.size()) {
        if (body[i] == '\\' && i + 1 < body.size()) {
            const char next = body[i + 1];
            if (next == '"' || next == '\\') {
                units += static_cast<char16_t>(next);
                i += 2;
                continue;
            }
            if (next == 'u' && body.size() - i >= 6) {
                int value = 0;
                bool hex = true;
                for (std::size_t k = 2; k < 6; ++k) {
                    const int digit = HexValue(body[i + k]);
                    hex = hex && digit >= 0;
                    value = value * 16 + (digit < 0 ? 0 : digit);
                }
                if (hex) {
                    units += static_cast<char16_t>(value);
                    i += 6;
                    continue;
                }
            }
        }
        if (body[i] == '"')
            throw ScenarioError("a quote inside a string must be written \\\"");
        protocol::AppendUtf16(units, DecodeUtf8OrThrow(body, i));
    }
    return units;
}

std::string QuoteText(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::uint32_t ParseNumber(std::string_view word, std::uint32_t max, std::string_view what) {
    if (const auto value = harness::ParseNumber(word, max))
        return *value;
    if (harness::ParseNumber(word, UINT32_MAX))
        throw ScenarioError(std::string(what) + ": " + std::string(word) + " is larger than " +
                            std::to_string(max));
    throw ScenarioError(std::string(what) + ": not a number: " + std::string(word));
}

std::uint8_t ParseHexByte(std::string_view word) {
    if (const auto byte = harness::ParseHexByte(word))
        return *byte;
    throw ScenarioError("not a hex byte: " + std::string(word));
}

std::vector<std::uint8_t> ParseByteList(const std::vector<Token>& words, std::size_t first) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = first; i < words.size(); ++i) {
        if (words[i].raw.size() != 2)
            throw ScenarioError("bytes are written as two hex digits each: " + words[i].raw);
        bytes.push_back(ParseHexByte(words[i].raw));
    }
    return bytes;
}

} // namespace tensilo::scenario
