#include "protocol/settings_report.h"

#include "protocol/hex_text.h"

#include <algorithm>

namespace tensilo::protocol {

bool AcceptSettingsReport(bool transferSucceeded, std::span<const std::uint8_t> report) {
    return transferSucceeded && report.size() >= kSettingsReportLength &&
           report[1] == kSettingsMarker && report[2] == 0;
}

std::optional<int> SettingsItem(std::span<const std::uint8_t> report, Channel channel) {
    const ChannelRegisters registers = RegistersOf(channel);
    const auto byteOf = [&](std::uint8_t reg) { return static_cast<std::size_t>(3 + reg); };
    if (report.size() <= byteOf(registers.fine) || report.size() <= byteOf(registers.shift) ||
        report.size() <= byteOf(registers.code))
        return std::nullopt;
    const auto exponent =
        ExponentFromRegisters(channel, report[byteOf(registers.code)], report[byteOf(registers.shift)]);
    if (!exponent)
        return std::nullopt;
    return ItemIndex(*exponent, report[byteOf(registers.fine)]);
}

std::string SettingsSummary(std::span<const std::uint8_t> report) {
    std::string text;
    const std::size_t shown = std::min(report.size(), kSettingsReportLength);
    for (std::size_t i = 0; i < shown; ++i) {
        text += ' ';
        text += HexByteText(report[i]);
    }
    return text;
}

} // namespace tensilo::protocol
