// The settings report: its acceptance, the items its registers select and its summary.
#include "protocol/settings_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace tensilo::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kExample = {0x00, 0xEE, 0x00, 0x0C, 0x00, 0x0B, 0x00, 0x08, 0x01,
                        0x80, 0xFF, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};

Bytes WithByte(Bytes bytes, std::size_t index, std::uint8_t value) {
    bytes[index] = value;
    return bytes;
}

TEST(AcceptSettingsReport, Table) {
    Bytes longer = kExample;
    longer.resize(64, 0x77);
    const struct {
        const char* name;
        bool transferSucceeded;
        Bytes report;
        bool accepted;
    } rows[] = {
        {"failed transfer", false, kExample, false},
        {"marker 0xED", true, WithByte(kExample, 1, 0xED), false},
        {"marker 0x00", true, WithByte(kExample, 1, 0x00), false},
        {"byte 2 is 1", true, WithByte(kExample, 2, 0x01), false},
        {"16 bytes", true, Bytes(kExample.begin(), kExample.end() - 1), false},
        {"empty", true, Bytes{}, false},
        {"17 bytes", true, kExample, true},
        {"report ID not looked at", true, WithByte(kExample, 0, 0x05), true},
        {"64 bytes", true, longer, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AcceptSettingsReport(row.transferSucceeded, row.report), row.accepted) << row.name;
}

TEST(SettingsItem, WorkedExample) {
    EXPECT_EQ(SettingsItem(kExample, Channel::LoadCell), 1152);
    EXPECT_EQ(SettingsItem(kExample, Channel::Pot1), 1023);
    EXPECT_EQ(SettingsItem(kExample, Channel::Pot2), 272);
    EXPECT_EQ(GainItemText(1152), "24");
    EXPECT_EQ(GainItemText(1023), "15.96875");
    EXPECT_EQ(GainItemText(272), "2.125");
    EXPECT_EQ(SettingsSummary(kExample), " 0 EE 0 C 0 B 0 8 1 80 FF 10 0 0 0 0 0");
}

TEST(SettingsItem, DefaultRegisters) {
    const Bytes report = {0x00, 0xEE, 0x00, 0x0F, 0x01, 0x08, 0x00, 0x08, 0x00,
                          0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(SettingsItem(report, Channel::LoadCell), 2292);
    EXPECT_EQ(SettingsItem(report, Channel::Pot1), 0);
    EXPECT_EQ(SettingsItem(report, Channel::Pot2), 0);
}

TEST(SettingsItem, RegistersNamingNoItem) {
    Bytes report = kExample;
    report[3] = 0x0F; // load cell code 7, shift 4
    report[4] = 4;
    report[5] = 0x09; // potentiometer 1 code 1
    report[7] = 0x08; // potentiometer 2 code 0, shift 3
    report[8] = 3;
    EXPECT_EQ(SettingsItem(report, Channel::LoadCell), std::nullopt);
    EXPECT_EQ(SettingsItem(report, Channel::Pot1), std::nullopt);
    EXPECT_EQ(SettingsItem(report, Channel::Pot2), std::nullopt);
    report[6] = 6; // potentiometer 1 code 7, shift byte 6: uses 6 & 3 = 2
    report[5] = 0x0F;
    EXPECT_EQ(SettingsItem(report, Channel::Pot1), 256 * 9 + 0xFF);
}

TEST(SettingsItem, ShortReportIsNotReadPastItsEnd) {
    for (std::size_t length = 0; length < 12; ++length) {
        const Bytes report(kExample.begin(), kExample.begin() + static_cast<long>(length));
        EXPECT_EQ(SettingsItem(report, Channel::Pot2), std::nullopt) << "length " << length;
    }
    const Bytes twelve(kExample.begin(), kExample.begin() + 12);
    EXPECT_EQ(SettingsItem(twelve, Channel::Pot2), 272);
}

TEST(SettingsSummary, ShowsAtMostSeventeenBytes) {
    Bytes longer = kExample;
    longer.resize(64, 0xAB);
    EXPECT_EQ(SettingsSummary(longer), " 0 EE 0 C 0 B 0 8 1 80 FF 10 0 0 0 0 0");
    EXPECT_EQ(SettingsSummary(Bytes{0x00, 0xEE, 0x0A}), " 0 EE A");
    EXPECT_EQ(SettingsSummary(Bytes{}), "");
}

} // namespace
} // namespace tensilo::protocol
