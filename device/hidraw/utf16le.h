// The device strings as the HID string requests hand them out: sysfs gives UTF-8 text, the
// program expects UTF-16LE code units in a caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tensilo::device::hidraw {

// UTF-8 to UTF-16, each byte that does not start a well-formed sequence becoming U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Writes as many whole code units of `text` as fit into `buffer`, little-endian, then a zero
// unit when two bytes remain. Never writes outside `buffer`; returns the bytes written.
std::size_t WriteUtf16Le(std::u16string_view text, std::span<std::uint8_t> buffer);

} // namespace tensilo::device::hidraw
