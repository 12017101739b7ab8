// The settings report as the read-back decodes it: acceptance, the item each channel's registers
// select, and the hex summary. Input: byte 0 bit 0 is the transfer's success, the rest is the
// report, in a buffer of exactly its length.
#include "fuzz_check.h"

#include "protocol/register_write.h"
#include "protocol/settings_report.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace tensilo::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool transferSucceeded = (data[0] & 1) != 0;
    const std::vector<std::uint8_t> report(data + 1, data + size);

    const bool accepted = AcceptSettingsReport(transferSucceeded, report);
    FUZZ_CHECK(!accepted || (transferSucceeded && report.size() >= kSettingsReportLength &&
                             report[1] == kSettingsMarker && report[2] == 0));

    for (const Channel channel : {Channel::LoadCell, Channel::Pot1, Channel::Pot2}) {
        const auto item = SettingsItem(report, channel);
        if (!item)
            continue;
        FUZZ_CHECK(*item >= 0 && *item < kGainItemCount);
        // Writing the item back and reading the registers again selects the same item: the
        // gain writes and the read-back invert each other.
        std::vector<std::uint8_t> written = report;
        for (const RegisterWrite& write : GainSelectionWrites(channel, *item)) {
            FUZZ_CHECK(3u + write.reg < written.size());
            written[3u + write.reg] = write.value;
        }
        FUZZ_CHECK(SettingsItem(written, channel) == item);
        // What the other channels select does not change.
        for (const Channel other : {Channel::LoadCell, Channel::Pot1, Channel::Pot2})
            if (other != channel)
                FUZZ_CHECK(SettingsItem(written, other) == SettingsItem(report, other));
    }

    // " X Y ...": one value per byte, at most 17, upper-case hex without leading zeros.
    const std::string summary = SettingsSummary(report);
    std::size_t position = 0, index = 0;
    while (position < summary.size()) {
        FUZZ_CHECK(summary[position] == ' ');
        const std::size_t end = std::min(summary.find(' ', position + 1), summary.size());
        const std::string value = summary.substr(position + 1, end - position - 1);
        FUZZ_CHECK(!value.empty() && value.size() <= 2 && (value.size() == 1 || value[0] != '0'));
        FUZZ_CHECK(value.find_first_not_of("0123456789ABCDEF") == std::string::npos);
        FUZZ_CHECK(index < report.size() && std::stoul(value, nullptr, 16) == report[index]);
        ++index;
        position = end;
    }
    FUZZ_CHECK(index == std::min<std::size_t>(report.size(), kSettingsReportLength));
    return 0;
}
