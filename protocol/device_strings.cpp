#include "protocol/device_strings.h"

#include "protocol/hex_text.h"
#include "protocol/unicode_text.h"

namespace tensilo::protocol {

std::string LowBytes(std::span<const std::uint8_t> buffer) {
    std::string bytes;
    for (std::size_t position = 0; position < buffer.size() && buffer[position] != 0; position += 2)
        bytes += static_cast<char>(buffer[position]);
    return bytes;
}

std::string LowByteText(std::span<const std::uint8_t> buffer) {
    // Latin-1: each byte is its own code point.
    std::string text;
    for (const char byte : LowBytes(buffer))
        AppendUtf8(text, static_cast<unsigned char>(byte));
    return text;
}

std::string VersionCaption(std::uint16_t versionNumber) {
    std::string caption = " ";
    caption += std::to_string(versionNumber >> 8);
    caption += '.';
    caption += HexByteText(VersionMinor(versionNumber));
    return caption;
}

} // namespace tensilo::protocol
