// JSON as tensiloctl writes it (settings files, --json): the layout QtCore's
// QJsonDocument::Indented gives, byte for byte, so that what the program wrote before it moved to
// nlohmann-json reads the same to people and to scripts that compare files.
//
//     {
//         "gains": {
//             "lc": 500,
//             "pot1": 1.00390625
//         },
//         "list": [
//         ],
//         "product": null
//     }
//
// Four spaces a level; an object's keys sorted as Qt sorts them (by UTF-16 code units); an empty
// array or object opened and closed on two lines, as Qt does; strings with ", \, \b, \f, \n, \r
// and \t escaped, other control characters as \u00XX (lower-case hex), everything else as UTF-8,
// and a byte that begins no well-formed UTF-8 sequence as U+FFFD, one for each such byte (Qt's
// reading of such text); numbers as JsonNumberText (json_number.h) writes a floating one, and an
// integer held as an integer exactly; the text ends with a newline.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace tensilo::ctl {

// The document's text.
std::string JsonText(const nlohmann::json& value);

// A string as a JSON string, quotes included, escaped as above: also how messages quote a key or
// a string read from a file, so that a control character in it cannot break the message's line.
std::string JsonStringText(std::string_view text);

} // namespace tensilo::ctl
