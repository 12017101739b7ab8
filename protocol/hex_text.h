// Numbers in upper-case hexadecimal: as the window shows them, without leading zeros, and in
// fixed widths for the tools' listings.
#pragma once

#include <cstdint>
#include <string>

namespace tensilo::protocol {

// 0 gives "0", 12 gives "C", 238 gives "EE".
std::string HexByteText(std::uint8_t value);

// The low `digits` hexadecimal digits of `value`, upper case, with leading zeros: (0x2A, 4) gives
// "002A".
std::string HexDigits(std::uint32_t value, int digits);

} // namespace tensilo::protocol
