// Device-string text, the version caption, and the IDs that Windows writes into a device's
// hardware IDs and paths.
#include "device/usb_id_text.h"
#include "protocol/device_strings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tensilo::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LowByteText, Table) {
    const struct {
        Bytes buffer;
        std::string text;
    } rows[] = {
        {{}, ""},
        {{0x00, 0x41, 0x42, 0x00}, ""},                             // zero low byte first
        {{0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x00, 0x00}, "ABC"},
        {{0x41, 0x00, 0x00, 0x01, 0x42, 0x00}, "A"},                // U+0100 ends the text
        {{0x41, 0x01, 0x42, 0x00}, "AB"},                           // U+0141 shows as A
        {{0x41, 0x00, 0x42}, "AB"},                                 // odd length
        {{0x41}, "A"},
        {{0x31, 0x32, 0x33, 0x34, 0x35}, "135"},                    // no zero byte at all
    };
    for (const auto& row : rows)
        EXPECT_EQ(LowByteText(row.buffer), row.text) << row.text;
}

TEST(LowByteText, HighBytesAsLatinOne) {
#ifdef _WIN32
    GTEST_SKIP() << "the ANSI code page of the machine decides";
#endif
    EXPECT_EQ(LowByteText(Bytes{0xC4, 0x00, 0x72, 0x00}), "Är");
    EXPECT_EQ(LowByteText(Bytes{0xE9, 0x00, 0xFF, 0x00, 0x80, 0x00}), "éÿ\u0080");
    EXPECT_EQ(LowByteText(Bytes{0x7F, 0x00, 0xA0, 0x04}), "\x7F\u00A0");
}

TEST(LowByteText, DeviceStringBufferEndsAfterFiftyCharacters) {
    Bytes buffer(kDeviceStringBufferSize, 0);
    std::string expected;
    for (std::size_t unit = 0; unit < kDeviceStringRequestLength / 2; ++unit) {
        buffer[2 * unit] = static_cast<std::uint8_t>('a' + unit % 26);
        buffer[2 * unit + 1] = 0x01;
        expected += static_cast<char>('a' + unit % 26);
    }
    EXPECT_EQ(LowByteText(buffer), expected);
    EXPECT_EQ(expected.size(), 50u);
}

TEST(LowByteText, SpanWithoutZeroIsNotReadPastItsEnd) {
    for (std::size_t length = 1; length <= 9; ++length) {
        const Bytes buffer(length, 'x'); // sized exactly, for the address sanitizer
        EXPECT_EQ(LowByteText(buffer), std::string((length + 1) / 2, 'x')) << "length " << length;
    }
}

TEST(VersionCaption, Table) {
    const struct {
        std::uint16_t version;
        const char* caption;
        std::uint8_t minor;
    } rows[] = {
        {0x0201, " 2.1", 1},  {0x0110, " 1.10", 0x10}, {0x010A, " 1.A", 0x0A},
        {0xFF05, " 255.5", 5}, {0x0200, " 2.0", 0},     {0x00FF, " 0.FF", 0xFF},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(VersionCaption(row.version), row.caption);
        EXPECT_EQ(VersionMinor(row.version), row.minor) << row.caption;
    }
}

} // namespace
} // namespace tensilo::protocol

namespace tensilo::device {
namespace {

// What Windows writes for USB devices names both IDs; any other text means "cannot say".
TEST(UsbIdsIn, Table) {
    using Ids = std::optional<std::pair<std::uint16_t, std::uint16_t>>;
    const struct {
        const char* text;
        Ids ids;
    } rows[] = {
        {"HID\\VID_1209&PID_7E51&REV_0101", Ids{{0x1209, 0x7E51}}},
        {"HID\\VID_046D&PID_C52B&MI_02&Col01", Ids{{0x046D, 0xC52B}}},
        {"\\\\?\\hid#vid_1209&pid_7e51#7&2f1b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         Ids{{0x1209, 0x7E51}}},
        {"HID\\VID_046D&UP:FF00_U:0001", std::nullopt},                    // no product
        {"HID\\{00001124-0000-1000-8000-00805f9b34fb}_VID&0002045e_PID&0916", std::nullopt},
        {"\\\\?\\hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&02045e_pid&0b13", std::nullopt},
        {"HID\\VEN_ELAN&DEV_3147&Col01", std::nullopt},                     // I2C
        {"HID\\VID_12G9&PID_7E51", std::nullopt},                            // not hex
        {"HID\\VID_12091&PID_7E51", std::nullopt},                           // five digits
        {"HID\\VID_120&PID_7E51", std::nullopt},                             // three digits
        {"HID\\XVID_1209&PID_7E51", std::nullopt},                           // inside a word
        {"HID\\VID_+209&PID_7E51", std::nullopt},
        {"VID_1209&PID_7E5", std::nullopt},                                  // cut short
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto ids = UsbIdsIn(row.text);
        const Ids got = ids ? Ids{{ids->VendorID, ids->ProductID}} : std::nullopt;
        EXPECT_EQ(got, row.ids) << row.text;
    }
}

} // namespace
} // namespace tensilo::device
