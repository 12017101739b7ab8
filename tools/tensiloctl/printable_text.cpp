#include "tools/tensiloctl/printable_text.h"

#include <cstdint>
#include <optional>

namespace tensilo::ctl {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string ByteEscape(unsigned char byte) {
    return {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
}

// The length of the UTF-8 character that starts `text` and its code point; none when `text`
// does not start with a whole, shortest-form UTF-8 character.
struct Utf8Character {
    std::size_t length;
    std::uint32_t codePoint;
};
std::optional<Utf8Character> LeadingCharacter(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80)
        return Utf8Character{1, first};
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t smallest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2, codePoint = first & 0x1Fu, smallest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3, codePoint = first & 0x0Fu, smallest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4, codePoint = first & 0x07u, smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
        codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::nullopt;
    return Utf8Character{length, codePoint};
}

// The escape of a control character, or none for a character that prints.
std::optional<std::string> ControlEscape(std::uint32_t codePoint) {
    switch (codePoint) {
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    default:
        break;
    }
    if (codePoint < 0x20 || codePoint == 0x7F)
        return ByteEscape(static_cast<unsigned char>(codePoint));
    if (codePoint >= 0x80 && codePoint <= 0x9F)
        return std::string("\\u00") + kHexDigits[codePoint >> 4] + kHexDigits[codePoint & 0xF];
    return std::nullopt;
}

// Printable, stopping after `longest` characters of `text` (with "..." when more followed).
std::string Escaped(std::string_view text, std::size_t longest) {
    std::string printable;
    std::size_t characters = 0;
    while (!text.empty()) {
        if (characters == longest)
            return printable + "...";
        ++characters;
        const auto character = LeadingCharacter(text);
        if (!character) {
            printable += ByteEscape(static_cast<unsigned char>(text.front()));
            text.remove_prefix(1);
            continue;
        }
        if (const auto escape = ControlEscape(character->codePoint))
            printable += *escape;
        else
            printable += text.substr(0, character->length);
        text.remove_prefix(character->length);
    }
    return printable;
}

} // namespace

std::string Printable(std::string_view text) {
    return Escaped(text, std::string_view::npos);
}

std::string Echoed(std::string_view text, std::size_t longest) {
    return Escaped(text, longest);
}

} // namespace tensilo::ctl
