// What tensiloctl keeps of a JSON file it reads: each value down to a given depth of keys, with its
// kind and its own text. The text is read with nlohmann-json's SAX interface, which, unlike a
// parser that builds a document, hands over every key as it comes, so that a key given twice is
// seen (and refused) instead of one value silently winning, and hands over a floating number with
// its own text, so that a gain such as 1.003906250000000000001 is compared as written, not as the
// nearest double. nlohmann-json is well kept and packaged by Debian (nlohmann-json3-dev) and by
// vcpkg, header-only, and strict: anything but white space after the document, comments, bad
// escapes and text that is not UTF-8 are refused.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tensilo::ctl {

enum class JsonKind { Null, Boolean, Number, String, Object, Array };

struct JsonEntry {
    JsonKind kind = JsonKind::Null;
    // A number's own text as the file writes it ("5E2", "1.0"; an integer as its decimal digits),
    // a string's value in UTF-8; empty for the other kinds.
    std::string text;
};

// The keys that lead from the top value to a member: {} is the top value, {"gains", "lc"} the
// member "lc" of the top object's member "gains".
using JsonPath = std::vector<std::string>;

// The top value and the members of objects within `depth` keys of it, by path. What lies deeper,
// and the elements of arrays, is read and checked but not kept.
using JsonOutline = std::map<JsonPath, JsonEntry>;

// Reads `text`, which must be one JSON value with nothing but white space after it and no key
// twice in any object. Otherwise the answer is what is wrong, worded to follow the file's name:
// "is not valid JSON near byte 12: invalid literal", "has \"lc\" twice in \"gains\"".
std::variant<JsonOutline, std::string> ReadJsonOutline(std::string_view text, std::size_t depth);

// The keys of the object at `path`, in byte order.
std::vector<std::string> KeysAt(const JsonOutline& outline, const JsonPath& path);

// The file's own text as a message shows it: at most 64 bytes, cut before a character, with "..."
// after what was cut; a key or a string also quoted as JSON (JsonStringText), so that a control
// character in it cannot break the message's line.
std::string ShownNumber(std::string_view number);
std::string ShownString(std::string_view text);

} // namespace tensilo::ctl
