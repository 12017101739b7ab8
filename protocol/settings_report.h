// The settings report, device to host: report ID, the marker 0xEE, a zero byte and the nine gain
// registers (byte 3 + r holds register r), then bytes the program does not interpret. Fetched as
// one feature report of FeatureReportByteLength bytes, of which the program reads bytes 0 to 16.
#pragma once

#include "protocol/gain_items.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tensilo::protocol {

inline constexpr std::uint8_t kSettingsMarker = 0xEE;
// Bytes the read-back reads of the report: ID, marker, zero byte, nine registers, five more.
inline constexpr std::size_t kSettingsReportLength = 17;

// The report is accepted when the transfer succeeded, it has at least 17 bytes, byte 1 is the
// marker and byte 2 is 0.
bool AcceptSettingsReport(bool transferSucceeded, std::span<const std::uint8_t> report);

// The item a channel's registers select in its list, or none when they name no item.
std::optional<int> SettingsItem(std::span<const std::uint8_t> report, Channel channel);

// Bytes 0 to 16 of the report, each as one space and upper-case hex without leading zeros:
// " 0 EE 0 C ...". Bytes beyond the report's end are not shown.
std::string SettingsSummary(std::span<const std::uint8_t> report);

} // namespace tensilo::protocol
