// A strict UTF-8 reader for the fuzz targets' properties, written apart from the code under test.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The code points of well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF), appended to `codes` when it is given; false for anything else.
inline bool DecodeUtf8(std::string_view text, std::vector<char32_t>* codes = nullptr) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                                   : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (codes)
            codes->push_back(code);
        i += length;
    }
    return true;
}
