#include "protocol/hex_text.h"

namespace tensilo::protocol {

std::string HexByteText(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (value >= 16)
        text += kDigits[value >> 4];
    text += kDigits[value & 15];
    return text;
}

} // namespace tensilo::protocol
