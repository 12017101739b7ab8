// JSON numbers as text, both ways: the text tensiloctl writes for a number, and a number's own
// text in a file turned into the plain decimal that gains are read from, so that a file's gain is
// compared decimal for decimal as the command line compares one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tensilo::ctl {

// The text of a floating number as QtCore's QJsonDocument writes it: a whole number of at most
// 2^53 in size as an integer, without ".0" or a sign on zero; any other number as the shortest
// text that reads back as it, in plain or exponent form, whichever is shorter (plain on a tie),
// as "1.00390625", "1e+16", "2.5e-05"; not-a-number and the infinities as null, since JSON has no
// word for them.
std::string JsonNumberText(double value);

// A JSON number's own text ("5E2", "0.2e1", "1.0", "0.001e-3") as a plain decimal of the same
// value ("500", "2", "1", "0.000001"), the form protocol::ParseDecimal reads. None for a negative
// number and for a text that is no JSON number. The point may be any one character: the JSON
// library hands over a number's text with the C library's decimal point in place of '.'. A value
// of 10^7 or more is given as 10000000, and a value above 0 and below 10^-11 as 0.00000000001:
// to ParseDecimal each falls in the same place as the value itself (beyond a million; above 0 and
// below 10^-9), and so the text stays short however large the exponent.
std::optional<std::string> PlainDecimal(std::string_view number);

} // namespace tensilo::ctl
