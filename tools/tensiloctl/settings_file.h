// The settings file of `tensiloctl save` and `tensiloctl load`: one JSON object with the file's
// format name and version, the serial number and product of the board it was saved from, and the
// three gains as JSON numbers.
//
//     {
//         "format": "tensilo-settings",
//         "gains": {
//             "lc": 500,
//             "pot1": 1,
//             "pot2": 1
//         },
//         "product": "Tensilo interface",
//         "serial": "TS-00417",
//         "version": 1
//     }
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tensilo::ctl {

inline constexpr const char* kSettingsFormat = "tensilo-settings";
inline constexpr int kSettingsVersion = 1;
// A settings file is a few hundred bytes; a longer one is refused unread.
inline constexpr std::size_t kLongestSettingsFile = 64 * 1024;

struct SavedSettings {
    std::string serial;
    std::optional<std::string> product; // none when the board did not tell it
    // The items of the load cell, potentiometer 1 and potentiometer 2, each 0 to 2559.
    std::array<int, 3> items{};
};

// The file's text, UTF-8, ending with a newline, as above: keys sorted, four spaces a level, each
// gain in its shortest exact form (500, 1.00390625).
std::string WriteSettingsFile(const SavedSettings& settings);

// Reads a file's text. A file is taken whole or not at all: it must be one JSON object with
// exactly the keys above (and exactly lc, pot1 and pot2 in "gains"), no key twice in any object,
// the format name and version above, text for the serial number, text or null for the product,
// and a gain for each channel that is exactly one of the 2560, decimal for decimal as written
// (5e2 is 500; 1.003906250000000000001 is no gain); nothing but white space may follow it.
// Otherwise the answer is what is wrong, worded to follow the file's name ("is not valid JSON
// near byte 12: ...", "has \"lc\" twice in \"gains\"").
std::variant<SavedSettings, std::string> ReadSettingsFile(std::string_view text);

} // namespace tensilo::ctl
