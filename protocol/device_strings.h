// Text from the board's string descriptors, and the version caption.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tensilo::protocol {

// The bytes the program offers a device-string request.
inline constexpr std::size_t kDeviceStringRequestLength = 100;
// The buffer the request writes into: 201 bytes, so that the text always ends inside it.
inline constexpr std::size_t kDeviceStringBufferSize = 201;

// The characters of a UTF-16LE device-string buffer as the board's tools have always read them:
// the low byte of each code unit, one character of the system's single-byte code page; the high
// bytes are ignored, and the text ends at the first code unit whose low byte is zero, or at the
// end of `buffer`. Which code page that is, is the platform's business (DeviceStringText).
std::string LowBytes(std::span<const std::uint8_t> buffer);

// LowBytes read as Latin-1, as UTF-8: the text on every system whose code page is not the
// ANSI code page of Windows.
std::string LowByteText(std::span<const std::uint8_t> buffer);

// " " + major in decimal + "." + minor in upper-case hex: 0x0201 gives " 2.1", 0x010A " 1.A".
std::string VersionCaption(std::uint16_t versionNumber);

// The low byte of the version number; the gain controls are enabled when it is at least 1.
constexpr std::uint8_t VersionMinor(std::uint16_t versionNumber) {
    return static_cast<std::uint8_t>(versionNumber & 0xFF);
}

} // namespace tensilo::protocol
