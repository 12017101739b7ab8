// The identity of the Tensilo interface board: the USB vendor and product IDs that mark a HID
// interface as one of ours, and the board's report descriptor, which fixes its report lengths.
#pragma once

#include <array>
#include <cstdint>

namespace tensilo::device {

inline constexpr std::uint16_t BoardVendorId = 0x1209;
inline constexpr std::uint16_t BoardProductId = 0x7E51;

// The board's HID report descriptor: one vendor-defined application collection with an input
// report of six data bytes (the three 16-bit outputs) and a feature report of sixteen (the
// settings report, also used for register writes), without report IDs. Windows therefore gives
// InputReportByteLength 7 and FeatureReportByteLength 17: each counts the report-ID byte.
inline constexpr std::array<std::uint8_t, 27> BoardReportDescriptor = {
    0x06, 0x00, 0xFF, // Usage Page (vendor defined 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x06,       //   Report Count (6)
    0x09, 0x02,       //   Usage (2)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x95, 0x10,       //   Report Count (16)
    0x09, 0x03,       //   Usage (3)
    0xB1, 0x02,       //   Feature (Data, Variable, Absolute)
    0xC0,             // End Collection
};
inline constexpr std::uint16_t BoardInputReportByteLength = 7;
inline constexpr std::uint16_t BoardFeatureReportByteLength = 17;

} // namespace tensilo::device
