#include "harness/text/number_text.h"

#include <charconv>

namespace tensilo::harness {

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        value > max)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 2 || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text, char separator,
                                                       std::size_t count) {
    std::vector<std::uint8_t> bytes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t stop = std::min(text.find(separator, start), text.size());
        const auto byte = ParseHexByte(text.substr(start, stop - start));
        if (!byte || bytes.size() == count)
            return std::nullopt;
        bytes.push_back(*byte);
        start = stop + 1;
    }
    if (bytes.size() != count)
        return std::nullopt;
    return bytes;
}

} // namespace tensilo::harness
