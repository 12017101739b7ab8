// The two blobs FunctionFS wants written to ep0 before the function exists: the interface's
// descriptors (one HID interface, its HID class descriptor and one interrupt IN endpoint, at full
// and high speed) and its string table (none: the device strings belong to the gadget).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tensilo::emulated {

// Largest input report: report ID and six data bytes.
inline constexpr std::uint16_t kInterruptPacketSize = 8;

std::vector<std::uint8_t> FunctionDescriptors(std::span<const std::uint8_t> hidDescriptor);
std::vector<std::uint8_t> FunctionStrings();

} // namespace tensilo::emulated
