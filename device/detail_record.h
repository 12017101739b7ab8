// The interface detail record as SetupDiGetDeviceInterfaceDetailA writes it, for the backends
// that stand in for that call: a 32-bit size field holding kDetailHeaderSize, then the device path
// as zero-terminated ANSI text from byte kDetailPathOffset.
#pragma once

#include "device/hid_api.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tensilo::device {

// Stores in `requiredSize` the bytes the record of `path` needs. Writes the record and returns
// non-zero when `detail` is large enough and carries the right header; otherwise returns 0 and
// leaves `detail` unchanged (the size query passes an empty buffer).
std::int32_t WriteDetailRecord(std::string_view path, std::span<std::uint8_t> detail,
                               std::uint32_t& requiredSize);

} // namespace tensilo::device
