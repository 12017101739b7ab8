// Text from outside the program (a board's strings, what the user typed, a file's name) made safe
// to print on a line of its own: a control character or a byte that is not UTF-8 never reaches
// the terminal or a script's parser as it is, where it could end a line, shift a tab-separated
// field or start an escape sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tensilo::ctl {

// `text` with each control character escaped as C writes it (\t, \n, \r; \x1B for the other
// characters below a space and for DEL; \u009B for the C1 controls) and each byte that is not
// part of a UTF-8 character as \xNN. Every other character stands as it is, backslashes too, so
// that a Windows device path reads as the system writes it.
std::string Printable(std::string_view text);

// What the user typed, echoed in a message: Printable, cut after `longest` characters (64) with
// "..." so that a long argument does not flood the message.
inline constexpr std::size_t kLongestEcho = 64;
std::string Echoed(std::string_view text, std::size_t longest = kLongestEcho);

} // namespace tensilo::ctl
