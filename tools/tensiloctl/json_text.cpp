#include "tools/tensiloctl/json_text.h"

#include "tools/tensiloctl/json_number.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tensilo::ctl {

namespace {

constexpr int kIndentPerLevel = 4;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// The length of the well-formed UTF-8 sequence `text` begins with, or 0 when it begins with none
// (a stray continuation byte, an overlong form, a surrogate, a code point above U+10FFFF, a
// sequence cut short).
std::size_t WellFormedLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    const unsigned char lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || text.size() < length || byte(1) < secondLow || byte(1) > secondHigh)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

void AppendAscii(std::string& out, char c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        constexpr std::string_view kHex = "0123456789abcdef";
        out += "\\u00";
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
        return;
    }
    out += c;
}

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            AppendAscii(out, text[i]);
            ++i;
            continue;
        }
        const std::size_t length = WellFormedLength(text.substr(i));
        out += length == 0 ? kReplacementCharacter : text.substr(i, length);
        i += std::max<std::size_t>(length, 1);
    }
    out += '"';
}

// Qt orders keys by their UTF-16 code units, and UTF-8 bytes by code points: the two differ only
// where U+E000 to U+FFFF (lead bytes EE, EF) meet a code point above U+FFFF (lead bytes F0 to
// F4), which UTF-16 writes with surrogates and so sorts first.
bool KeyBefore(std::string_view a, std::string_view b) {
    const auto different = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (different.first == a.end() || different.second == b.end())
        return a.size() < b.size();
    const auto rank = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == 0xEE || byte == 0xEF ? byte + 0x10 : int{byte};
    };
    return rank(*different.first) < rank(*different.second);
}

void AppendLineStart(std::string& out, int depth) {
    out += '\n';
    out.append(static_cast<std::size_t>(depth * kIndentPerLevel), ' ');
}

void AppendValue(std::string& out, const nlohmann::json& value, int depth);

void AppendArray(std::string& out, const nlohmann::json& array, int depth) {
    out += '[';
    bool first = true;
    for (const nlohmann::json& element : array) {
        if (!first)
            out += ',';
        first = false;
        AppendLineStart(out, depth + 1);
        AppendValue(out, element, depth + 1);
    }
    AppendLineStart(out, depth);
    out += ']';
}

void AppendObject(std::string& out, const nlohmann::json& object, int depth) {
    std::vector<const nlohmann::json::object_t::value_type*> members;
    for (const auto& member : object.get_ref<const nlohmann::json::object_t&>())
        members.push_back(&member);
    std::sort(members.begin(), members.end(),
              [](const auto* a, const auto* b) { return KeyBefore(a->first, b->first); });
    out += '{';
    bool first = true;
    for (const auto* member : members) {
        if (!first)
            out += ',';
        first = false;
        AppendLineStart(out, depth + 1);
        AppendString(out, member->first);
        out += ": ";
        AppendValue(out, member->second, depth + 1);
    }
    AppendLineStart(out, depth);
    out += '}';
}

void AppendValue(std::string& out, const nlohmann::json& value, int depth) {
    switch (value.type()) {
    case nlohmann::json::value_t::object:
        AppendObject(out, value, depth);
        return;
    case nlohmann::json::value_t::array:
        AppendArray(out, value, depth);
        return;
    case nlohmann::json::value_t::string:
        AppendString(out, value.get_ref<const std::string&>());
        return;
    case nlohmann::json::value_t::boolean:
        out += value.get<bool>() ? "true" : "false";
        return;
    case nlohmann::json::value_t::number_integer:
        out += std::to_string(value.get<std::int64_t>());
        return;
    case nlohmann::json::value_t::number_unsigned:
        out += std::to_string(value.get<std::uint64_t>());
        return;
    case nlohmann::json::value_t::number_float:
        out += JsonNumberText(value.get<double>());
        return;
    case nlohmann::json::value_t::null:
    case nlohmann::json::value_t::binary:    // JSON text has no bytes; tensiloctl writes none
    case nlohmann::json::value_t::discarded: // what a failed parse leaves; never written
        break;
    }
    out += "null";
}

} // namespace

std::string JsonText(const nlohmann::json& value) {
    std::string text;
    AppendValue(text, value, 0);
    text += '\n';
    return text;
}

std::string JsonStringText(std::string_view text) {
    std::string quoted;
    AppendString(quoted, text);
    return quoted;
}

} // namespace tensilo::ctl
