// Numbers as the window shows them: upper-case hexadecimal without leading zeros.
#pragma once

#include <cstdint>
#include <string>

namespace tensilo::protocol {

// 0 gives "0", 12 gives "C", 238 gives "EE".
std::string HexByteText(std::uint8_t value);

} // namespace tensilo::protocol
