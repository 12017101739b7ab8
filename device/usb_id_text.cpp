#include "device/usb_id_text.h"

#include <cctype>
#include <charconv>

namespace tensilo::device {

namespace {

// The hexadecimal value of the four digits after `key` (compared without regard to case) in
// `text`, where the key is followed by exactly four hex digits and then by the end, '&', '#' or a
// backslash; none when there is no such key.
std::optional<std::uint16_t> FourHexDigitsAfter(std::string_view text, std::string_view key) {
    const auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    for (std::size_t at = 0; at + key.size() + 4 <= text.size(); ++at) {
        bool matches = true;
        for (std::size_t i = 0; i < key.size() && matches; ++i)
            matches = lower(text[at + i]) == lower(key[i]);
        // The key must start the text or follow a separator: "VID_" in "HID\VID_1209", not the
        // end of a longer word.
        if (!matches || (at > 0 && std::isalnum(static_cast<unsigned char>(text[at - 1])) != 0))
            continue;
        const std::string_view digits = text.substr(at + key.size(), 4);
        const std::size_t after = at + key.size() + 4;
        if (after < text.size() && text[after] != '&' && text[after] != '#' && text[after] != '\\')
            continue;
        std::uint16_t value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (error == std::errc{} && end == digits.data() + digits.size())
            return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<InterfaceIds> UsbIdsIn(std::string_view text) {
    const auto vendor = FourHexDigitsAfter(text, "VID_");
    const auto product = FourHexDigitsAfter(text, "PID_");
    if (!vendor || !product)
        return std::nullopt;
    return InterfaceIds{*vendor, *product};
}

} // namespace tensilo::device
