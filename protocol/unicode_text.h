// UTF-8 and UTF-16 for the board's device strings, which travel as UTF-16LE code units while the
// program, its files and its backends hold text as UTF-8. One home for the conversions, so that
// every layer decodes and encodes alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tensilo::protocol {

// Decodes the UTF-8 sequence at `text[pos]` and advances `pos` past it. A byte that does not
// start a well-formed sequence (overlong forms, surrogates and values above U+10FFFF included)
// gives nothing and advances `pos` by one.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos);

void AppendUtf8(std::string& out, char32_t code);
// One code point as one code unit, or two (a surrogate pair) above U+FFFF.
void AppendUtf16(std::u16string& out, char32_t code);

// UTF-8 to UTF-16, each byte that does not start a well-formed sequence becoming U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8, each unpaired surrogate becoming U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// Writes as many whole code units of `text` as fit into `buffer`, little-endian, then a zero
// unit when two bytes remain. Never writes outside `buffer`; returns the bytes written.
std::size_t WriteUtf16Le(std::u16string_view text, std::span<std::uint8_t> buffer);

} // namespace tensilo::protocol
