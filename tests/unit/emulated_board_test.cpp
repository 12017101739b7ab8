// The emulated board's firmware without USB: its answer to each control request a host may send,
// what a SET_REPORT does to its settings, its reports and descriptors, and its command line.
#include "harness/emulated-board/board_firmware.h"
#include "harness/emulated-board/board_options.h"

#include "device/hidraw/report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tensilo::emulated {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ControlAnswer::Kind;

BoardOptions Sane() {
    BoardOptions options = DefaultBoardOptions();
    options.name = "A";
    options.udc = "dummy_udc.0";
    return options;
}

BoardOptions Numbered() {
    BoardOptions options = Sane();
    options.numberedReports = true;
    return options;
}

const Bytes kDefaultSettings = {0xEE, 0x00, 0x0F, 0x01, 0x08, 0x00, 0x08, 0x00,
                                0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

Bytes Prefixed(std::uint8_t first, const Bytes& rest) {
    Bytes bytes(rest.size() + 1, first);
    std::copy(rest.begin(), rest.end(), bytes.begin() + 1);
    return bytes;
}

// Invalid requests first: each is refused with a stall, whatever the board.
TEST(BoardFirmwareAnswer, Table) {
    BoardOptions wrongMarker = Sane();
    wrongMarker.settingsMarker = 0xED;
    BoardOptions stalling = Sane();
    stalling.stallGetReport = true;
    BoardOptions refusingWrites = Sane();
    refusingWrites.stallSetReport = true;
    const BoardFirmware sane(Sane());
    const Bytes reportDescriptor = sane.ReportDescriptor();
    const struct {
        const char* name;
        BoardOptions options;
        SetupPacket setup;
        Kind kind;
        Bytes data;
    } rows[] = {
        {"another interface", Sane(), {0xA1, 0x01, 0x0300, 1, 16}, Kind::Stall, {}},
        {"unknown class request", Sane(), {0xA1, 0x07, 0x0300, 0, 16}, Kind::Stall, {}},
        {"device descriptor asked of the interface", Sane(), {0x81, 0x06, 0x0100, 0, 18}, Kind::Stall, {}},
        {"output report", Sane(), {0xA1, 0x01, 0x0200, 0, 16}, Kind::Stall, {}},
        {"feature report 1 of an unnumbered board", Sane(), {0xA1, 0x01, 0x0301, 0, 17}, Kind::Stall, {}},
        {"feature report 0 of a numbered board", Numbered(), {0xA1, 0x01, 0x0300, 0, 16}, Kind::Stall, {}},
        {"stalled GET_REPORT", stalling, {0xA1, 0x01, 0x0300, 0, 16}, Kind::Stall, {}},
        {"SET_REPORT one byte short", Sane(), {0x21, 0x09, 0x0300, 0, 15}, Kind::Stall, {}},
        {"SET_REPORT one byte long", Sane(), {0x21, 0x09, 0x0300, 0, 17}, Kind::Stall, {}},
        {"SET_REPORT of the input report", Sane(), {0x21, 0x09, 0x0100, 0, 16}, Kind::Stall, {}},
        {"SET_REPORT of report 0 to a numbered board", Numbered(), {0x21, 0x09, 0x0300, 0, 16}, Kind::Stall, {}},
        {"SET_IDLE with data", Sane(), {0x21, 0x0A, 0x0000, 0, 1}, Kind::Stall, {}},
        {"register write to a board that refuses them", refusingWrites, {0x21, 0x09, 0x0300, 0, 16},
         Kind::Stall, {}},
        {"HID descriptor", Sane(), {0x81, 0x06, 0x2100, 0, 9}, Kind::Reply,
         {0x09, 0x21, 0x11, 0x01, 0x00, 0x01, 0x22, 27, 0x00}},
        {"HID descriptor, 4 bytes asked", Sane(), {0x81, 0x06, 0x2100, 0, 4}, Kind::Reply,
         {0x09, 0x21, 0x11, 0x01}},
        {"report descriptor, more asked than there is", Sane(), {0x81, 0x06, 0x2200, 0, 255},
         Kind::Reply, reportDescriptor},
        {"settings report", Sane(), {0xA1, 0x01, 0x0300, 0, 16}, Kind::Reply, kDefaultSettings},
        {"settings report of a board that refuses writes", refusingWrites,
         {0xA1, 0x01, 0x0300, 0, 16}, Kind::Reply, kDefaultSettings},
        {"settings report, 3 bytes asked", Sane(), {0xA1, 0x01, 0x0300, 0, 3}, Kind::Reply,
         {0xEE, 0x00, 0x0F}},
        {"settings report with the wrong marker", wrongMarker, {0xA1, 0x01, 0x0300, 0, 16},
         Kind::Reply, Prefixed(0xED, Bytes(kDefaultSettings.begin() + 1, kDefaultSettings.end()))},
        {"numbered settings report", Numbered(), {0xA1, 0x01, 0x0301, 0, 17}, Kind::Reply,
         Prefixed(1, kDefaultSettings)},
        {"SET_REPORT of the feature report", Sane(), {0x21, 0x09, 0x0300, 0, 16}, Kind::ReceiveData, {}},
        {"numbered SET_REPORT", Numbered(), {0x21, 0x09, 0x0301, 0, 17}, Kind::ReceiveData, {}},
        {"SET_IDLE", Sane(), {0x21, 0x0A, 0x0000, 0, 0}, Kind::Acknowledge, {}},
        {"SET_PROTOCOL", Sane(), {0x21, 0x0B, 0x0001, 0, 0}, Kind::Acknowledge, {}},
        {"GET_PROTOCOL", Sane(), {0xA1, 0x03, 0x0000, 0, 1}, Kind::Reply, {0x01}},
    };
    for (const auto& row : rows) {
        const ControlAnswer answer = BoardFirmware(row.options).Answer(row.setup);
        EXPECT_EQ(answer.kind, row.kind) << row.name;
        EXPECT_EQ(answer.data, row.data) << row.name;
    }
}

// What a SET_REPORT's data does: the report as logged (empty: not taken) and the settings after.
TEST(BoardFirmwareTakeData, Table) {
    const SetupPacket setReport{0x21, 0x09, 0x0300, 0, 16};
    const SetupPacket numberedSetReport{0x21, 0x09, 0x0301, 0, 17};
    Bytes write7 = Bytes(16, 0);
    write7[0] = 1, write7[1] = 7, write7[2] = 0x42;
    Bytes settings7 = kDefaultSettings;
    settings7[2 + 7] = 0x42;
    Bytes register9 = write7;
    register9[1] = 9;
    Bytes command2 = write7;
    command2[0] = 2;
    const struct {
        const char* name;
        BoardOptions options;
        SetupPacket setup;
        Bytes data;
        Bytes logged;
        Bytes settings;
    } rows[] = {
        {"15 bytes of data", Sane(), setReport, Bytes(write7.begin(), write7.end() - 1), {}, kDefaultSettings},
        {"17 bytes of data", Sane(), setReport, Prefixed(0, write7), {}, kDefaultSettings},
        {"register 9 does not exist", Sane(), setReport, register9, Prefixed(0, register9), kDefaultSettings},
        {"command 2 is not understood", Sane(), setReport, command2, Prefixed(0, command2), kDefaultSettings},
        {"register 7 written", Sane(), setReport, write7, Prefixed(0, write7), settings7},
        {"numbered register 7 written", Numbered(), numberedSetReport, Prefixed(1, write7),
         Prefixed(1, write7), Prefixed(1, settings7)},
        {"numbered report with ID 0 in its data", Numbered(), numberedSetReport, Prefixed(0, write7),
         Prefixed(0, write7), Prefixed(1, kDefaultSettings)},
    };
    for (const auto& row : rows) {
        BoardFirmware firmware(row.options);
        EXPECT_EQ(firmware.TakeData(row.setup, row.data), row.logged) << row.name;
        EXPECT_EQ(firmware.SettingsReport(), row.settings) << row.name;
    }
}

TEST(BoardFirmware, RegistersFromTheOptionsAndAFixedInputReport) {
    BoardOptions options = Numbered();
    options.registers = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    options.settingsTail = {0xA, 0xB, 0xC, 0xD, 0xE};
    options.fixedReport = std::array<std::uint8_t, 6>{0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00};
    const BoardFirmware firmware(options);
    EXPECT_EQ(firmware.SettingsReport(),
              (Bytes{1, 0xEE, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xA, 0xB, 0xC, 0xD, 0xE}));
    EXPECT_EQ(firmware.InputReport(0), (Bytes{1, 0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(firmware.InputReport(99), firmware.InputReport(0));
}

TEST(BoardFirmware, ThePatternMovesEveryValue) {
    const BoardFirmware firmware(Sane());
    const Bytes first = firmware.InputReport(1);
    const Bytes second = firmware.InputReport(2);
    ASSERT_EQ(first.size(), 6u);
    for (std::size_t i = 0; i < 6; i += 2)
        EXPECT_NE(first[i] | first[i + 1] << 8, second[i] | second[i + 1] << 8) << "value " << i / 2;
}

// The hidraw backend reads the board's lengths from its report descriptor: both descriptors the
// firmware offers must give the product's 7 and 17, numbered or not.
TEST(BoardFirmware, ReportDescriptorsGiveTheProductsLengths) {
    for (const bool numbered : {false, true}) {
        BoardOptions options = Sane();
        options.numberedReports = numbered;
        const auto summary =
            device::hidraw::SummariseReportDescriptor(BoardFirmware(options).ReportDescriptor());
        EXPECT_EQ(summary.Fault, device::hidraw::DescriptorFault::None) << numbered;
        EXPECT_EQ(summary.NumberedReports, numbered);
        EXPECT_EQ(summary.InputReportByteLength, 7) << numbered;
        EXPECT_EQ(summary.FeatureReportByteLength, 17) << numbered;
    }
}

TEST(ParseBoardOptions, Table) {
    const std::vector<std::string> base = {"--name", "A", "--udc", "dummy_udc.0"};
    const auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), base.begin(), base.end());
        return extra;
    };
    const struct {
        const char* name;
        std::vector<std::string> args;
        bool usable;
    } rows[] = {
        {"no --udc", {"--name", "A"}, false},
        {"unknown option", with({"--colour", "red"}), false},
        {"value missing at the end", with({"--serial"}), false},
        {"version not decimal digits", with({"--version", "0x031A"}), false},
        {"version above 16 bits", with({"--version", "0x10000"}), false},
        {"eight registers", with({"--registers", "0F,01,08,00,08,00,F4,00"}), false},
        {"ten registers", with({"--registers", "0F,01,08,00,08,00,F4,00,00,00"}), false},
        {"register of three digits", with({"--registers", "0F,01,08,00,08,00,F4,00,100"}), false},
        {"empty register", with({"--registers", "0F,,08,00,08,00,F4,00,00"}), false},
        {"report of five bytes", with({"--report", "00,80,FF,FF,00"}), false},
        {"settings tail of six bytes", with({"--settings-tail", "01,02,03,04,05,06"}), false},
        {"interval 0", with({"--interval", "0"}), false},
        {"interval above 10 minutes", with({"--interval", "600001"}), false},
        {"serial of two lines", with({"--serial", "A\nB"}), false},
        {"name with a space", {"--name", "A B", "--udc", "dummy_udc.0"}, false},
        {"the least", base, true},
        {"version 3.12", with({"--version", "0x0312"}), true},
        {"everything", with({"--manufacturer", "none", "--serial", "TS-1", "--registers",
                             "0c,00,0B,00,08,01,80,FF,10", "--report", "00,80,FF,FF,00,00",
                             "--interval", "5", "--wrong-marker", "--stall-get-report",
                             "--stall-set-report", "--numbered-reports"}),
         true},
    };
    for (const auto& row : rows) {
        const auto parsed = ParseBoardOptions(row.args);
        EXPECT_EQ(std::holds_alternative<BoardOptions>(parsed), row.usable) << row.name;
    }
    const auto everything = std::get<BoardOptions>(ParseBoardOptions(rows[std::size(rows) - 1].args));
    EXPECT_FALSE(everything.manufacturer.has_value());
    EXPECT_EQ(everything.product, "Tensilo interface");
    EXPECT_EQ(everything.serial, "TS-1");
    EXPECT_EQ(everything.registers[0], 0x0C);
    EXPECT_EQ(everything.registers[8], 0x10);
    EXPECT_EQ(everything.intervalMs, 5u);
    EXPECT_EQ(everything.settingsMarker, 0xED);
    EXPECT_TRUE(everything.stallGetReport);
    EXPECT_TRUE(everything.stallSetReport);
    EXPECT_TRUE(everything.numberedReports);
    EXPECT_EQ(std::get<BoardOptions>(ParseBoardOptions(rows[std::size(rows) - 2].args)).version, 0x0312);
}

} // namespace
} // namespace tensilo::emulated
