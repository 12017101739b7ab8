#include "protocol/hex_text.h"

namespace tensilo::protocol {

std::string HexByteText(std::uint8_t value) {
    return HexDigits(value, value >= 16 ? 2 : 1);
}

std::string HexDigits(std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text += kDigits[(value >> shift) & 0xF];
    return text;
}

} // namespace tensilo::protocol
