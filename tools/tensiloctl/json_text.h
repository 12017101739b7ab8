// JSON as tensiloctl writes it.
#pragma once

#include <string>
#include <string_view>

namespace tensilo::ctl {

// `text` (UTF-8) as a JSON string, in quotes, with quotes, backslashes and control characters
// escaped.
std::string JsonString(std::string_view text);

} // namespace tensilo::ctl
