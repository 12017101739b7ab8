// The register writes of a gain selection, and their read-back through a settings report.
#include "protocol/register_write.h"
#include "protocol/settings_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tensilo::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(const std::array<RegisterWrite, 3>& writes) {
    Bytes bytes;
    for (const auto& write : writes) {
        bytes.push_back(write.reg);
        bytes.push_back(write.value);
    }
    return bytes;
}

TEST(GainSelectionWrites, KnownSelections) {
    const struct {
        Channel channel;
        int k;
        Bytes writes; // register, value; three times, in sending order
    } rows[] = {
        {Channel::Pot1, 0, {0x02, 0x08, 0x03, 0x00, 0x07, 0x00}},
        {Channel::Pot2, 0, {0x04, 0x08, 0x05, 0x00, 0x08, 0x00}},
        {Channel::Pot2, 767, {0x04, 0x08, 0x05, 0x02, 0x08, 0xFF}},
        {Channel::LoadCell, 1024, {0x00, 0x0C, 0x01, 0x00, 0x06, 0x00}},
        {Channel::LoadCell, 2559, {0x00, 0x0F, 0x01, 0x02, 0x06, 0xFF}},
        {Channel::LoadCell, 2292, {0x00, 0x0F, 0x01, 0x01, 0x06, 0xF4}},
        {Channel::Pot1, 1791, {0x02, 0x0E, 0x03, 0x00, 0x07, 0xFF}},
        {Channel::Pot1, -1, {0x02, 0x08, 0x03, 0x00, 0x07, 0xFF}}, // "none selected"
        {Channel::Pot2, 2560, {0x04, 0x08, 0x05, 0x00, 0x08, 0x00}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AsBytes(GainSelectionWrites(row.channel, row.k)), row.writes) << "item " << row.k;
}

TEST(GainSelectionWrites, EverySixteenBitIndexStaysInRange) {
    for (int k = -32768; k <= 32767; ++k) {
        const auto writes = GainSelectionWrites(Channel::LoadCell, k);
        ASSERT_GE(writes[0].value, 8) << "index " << k;
        ASSERT_LE(writes[0].value, 15) << "index " << k;
        ASSERT_LE(writes[1].value, 2) << "index " << k;
        ASSERT_EQ(writes[2].value, static_cast<std::uint8_t>(k & 0xFF)) << "index " << k;
        if (k < 0 || k >= kGainItemCount) {
            ASSERT_EQ(writes[0].value, 8) << "index " << k;
            ASSERT_EQ(writes[1].value, 0) << "index " << k;
        }
    }
}

// Every item, written to each channel's registers, reads back from a settings report as itself.
TEST(GainSelectionWrites, EveryItemReadsBack) {
    for (int k = 0; k < kGainItemCount; ++k) {
        // Different items per channel, so that mixed-up registers show.
        const int items[] = {k, (k + 853) % kGainItemCount, (k + 1706) % kGainItemCount};
        const Channel channels[] = {Channel::LoadCell, Channel::Pot1, Channel::Pot2};
        Bytes report(kSettingsReportLength, 0);
        report[1] = 0xEE;
        for (int c = 0; c < 3; ++c)
            for (const auto& write : GainSelectionWrites(channels[c], items[c]))
                report[3 + write.reg] = write.value;
        ASSERT_TRUE(AcceptSettingsReport(true, report));
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(SettingsItem(report, channels[c]), items[c]) << "channel " << c;
    }
}

TEST(FillRegisterWrite, FeatureReportOfSeventeenBytes) {
    Bytes report(17, 0);
    ASSERT_TRUE(FillRegisterWrite(report, {0x01, 0x02}));
    ASSERT_TRUE(FillRegisterWrite(report, {0x06, 0xF4})); // the buffer is reused
    Bytes expected(17, 0);
    expected[1] = 0x01;
    expected[2] = 0x06;
    expected[3] = 0xF4;
    EXPECT_EQ(report, expected);

    report.assign(17, 0xAA);
    ASSERT_TRUE(FillRegisterWrite(report, {0x08, 0x10}));
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 4), (Bytes{0x00, 0x01, 0x08, 0x10}));
    EXPECT_TRUE(std::all_of(report.begin() + 4, report.end(), [](auto b) { return b == 0xAA; }));
}

TEST(FillRegisterWrite, ShortReports) {
    Bytes four(4, 0xAA);
    EXPECT_TRUE(FillRegisterWrite(four, {0x05, 0x02}));
    EXPECT_EQ(four, (Bytes{0x00, 0x01, 0x05, 0x02}));
    for (std::size_t length = 0; length < 4; ++length) {
        Bytes report(length, 0xAA);
        EXPECT_FALSE(FillRegisterWrite(report, {0x05, 0x02})) << "length " << length;
        EXPECT_EQ(report, Bytes(length, 0xAA)) << "length " << length;
    }
}

} // namespace
} // namespace tensilo::protocol
