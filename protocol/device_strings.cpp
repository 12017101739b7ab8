#include "protocol/device_strings.h"

#include "protocol/hex_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tensilo::protocol {

namespace {

// One byte of the single-byte code page as UTF-8.
void AppendCodePageChar(std::string& text, std::uint8_t byte) {
#ifdef _WIN32
    const char narrow = static_cast<char>(byte);
    wchar_t wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &wide, 1) == 1) {
        char utf8[4];
        const int n = WideCharToMultiByte(CP_UTF8, 0, &wide, 1, utf8, sizeof utf8, nullptr, nullptr);
        if (n > 0) {
            text.append(utf8, static_cast<std::size_t>(n));
            return;
        }
    }
    text += '?';
#else
    // Latin-1: the byte is the code point.
    if (byte < 0x80) {
        text += static_cast<char>(byte);
    } else {
        text += static_cast<char>(0xC0 | (byte >> 6));
        text += static_cast<char>(0x80 | (byte & 0x3F));
    }
#endif
}

} // namespace

std::string LowByteText(std::span<const std::uint8_t> buffer) {
    std::string text;
    for (std::size_t position = 0; position < buffer.size() && buffer[position] != 0; position += 2)
        AppendCodePageChar(text, buffer[position]);
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
