// The small parsers of the test machinery's own command lines and files: numbers in decimal or
// hexadecimal, and hex bytes. The scenario runner and the emulated board both read what a test
// writes with these, so that "0x1209", "0F" and "0F,01,08" mean the same to each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tensilo::harness {

// A number written in decimal, or in hexadecimal after 0x or 0X, no larger than `max`; nothing for
// any other text (signs, spaces, empty digits, trailing characters).
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max);

// One byte written as one or two hex digits.
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

// Exactly `count` bytes written as one or two hex digits each, separated by `separator`
// ("0F,01,08"); nothing for any other text.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text, char separator,
                                                       std::size_t count);

} // namespace tensilo::harness
