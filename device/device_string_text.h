// The text of a board's string descriptor in the system's single-byte code page: the ANSI code
// page on Windows, Latin-1 elsewhere. The board's tools have always read the strings that way,
// and the serial numbers the walk compares must read the same as the ones the window lists.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tensilo::device {

// The low byte of each code unit of a UTF-16LE device-string buffer (protocol::LowBytes) as one
// character of the system's code page, returned as UTF-8.
std::string DeviceStringText(std::span<const std::uint8_t> buffer);

} // namespace tensilo::device
