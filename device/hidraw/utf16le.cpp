#include "device/hidraw/utf16le.h"

namespace tensilo::device::hidraw {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Decodes the sequence at `text[pos]`, advancing `pos` past it, or past one byte when it is
// malformed (overlong forms, surrogates and values above U+10FFFF included).
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if (lead < 0x80u) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        codePoint = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        codePoint = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        codePoint = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (text.size() - pos < length) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(byte)) {
            ++pos;
            return kReplacement;
        }
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return codePoint;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t codePoint = DecodeOne(text, pos);
        if (codePoint < 0x10000) {
            result.push_back(static_cast<char16_t>(codePoint));
        } else {
            const char32_t offset = codePoint - 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return result;
}

std::size_t WriteUtf16Le(std::u16string_view text, std::span<std::uint8_t> buffer) {
    std::size_t written = 0;
    for (const char16_t unit : text) {
        if (buffer.size() - written < 2)
            return written;
        buffer[written] = static_cast<std::uint8_t>(unit & 0xFF);
        buffer[written + 1] = static_cast<std::uint8_t>(unit >> 8);
        written += 2;
    }
    if (buffer.size() - written >= 2) {
        buffer[written] = 0;
        buffer[written + 1] = 0;
        written += 2;
    }
    return written;
}

} // namespace tensilo::device::hidraw
