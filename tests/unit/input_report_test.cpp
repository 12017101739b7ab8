// The input report: finding the newest whole report in a read, its fields, and the bar widths.
#include "protocol/input_report.h"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>
#include <string>
#include <vector>

namespace tensilo::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::optional<std::size_t> kNone;

TEST(NewestReportStart, Table) {
    const struct {
        std::size_t bytesRead;
        std::size_t reportLength;
        std::optional<std::size_t> start;
    } rows[] = {
        {0, 7, kNone},   {6, 7, kNone},  {14, 6, kNone},    {6, 6, kNone},   {0, 0, kNone},
        {5, 0, kNone},   {7, 7, 0},      {14, 7, 7},        {13, 7, 6},      {1000, 7, 993},
        {994, 7, 987},   {64, 64, 0},    {1000, 1000, 0},   {1000, 1001, kNone},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NewestReportStart(row.bytesRead, row.reportLength), row.start)
            << row.bytesRead << " bytes read, reports of " << row.reportLength;
}

TEST(NewestInputSample, TwoReportsShowTheSecond) {
    Bytes buffer(kInputBufferSize, 0);
    const Bytes reports = {0x00, 0x11, 0x11, 0x22, 0x22, 0x33, 0x33,  // older, skipped
                           0x00, 0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00}; // newest
    std::copy(reports.begin(), reports.end(), buffer.begin());
    const auto sample = NewestInputSample(buffer, 14, 7);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->Pot1Value, 32768);
    EXPECT_EQ(sample->LoadCellValue, 65535);
    EXPECT_EQ(sample->Pot2Value, 0);
}

TEST(NewestInputSample, FieldOrderAndByteOrder) {
    const Bytes report = {0x09, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xEE}; // one unused byte
    const auto sample = NewestInputSample(report, 8, 8);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->Pot1Value, 0x1234);
    EXPECT_EQ(sample->LoadCellValue, 0x5678);
    EXPECT_EQ(sample->Pot2Value, 0x9ABC);
}

// Buffers sized exactly, so that a read past their end shows under the address sanitizer.
TEST(NewestInputSample, NeverReadsOutsideTheBytesRead) {
    const Bytes seven = {0, 1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(NewestInputSample(seven, 7, 6));  // reports too short for the fields
    EXPECT_FALSE(NewestInputSample(seven, 6, 7));  // less than one report read
    EXPECT_FALSE(NewestInputSample(seven, 0, 7));
    EXPECT_FALSE(NewestInputSample(Bytes{}, 0, 7));
    EXPECT_FALSE(NewestInputSample(Bytes(5, 0xFF), 1000, 7)); // more claimed than the buffer holds
    const Bytes ten = {0, 0, 0, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    const auto sample = NewestInputSample(ten, 1000, 7);
    if (sample) { // if taken at all, it is the last whole report inside the buffer
        EXPECT_EQ(sample->Pot1Value, 0x0201);
        EXPECT_EQ(sample->Pot2Value, 0x0605);
    }
}

TEST(DecodeInputReport, FieldsPastTheEndGiveNone) {
    const Bytes bytes = {0, 1, 0, 2, 0, 3, 0, 4, 0};
    EXPECT_FALSE(DecodeInputReport(bytes, 3));
    EXPECT_FALSE(DecodeInputReport(bytes, 9));
    EXPECT_FALSE(DecodeInputReport(bytes, std::numeric_limits<std::size_t>::max()));
    const auto sample = DecodeInputReport(bytes, 2);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->Pot1Value, 2);
    EXPECT_EQ(sample->Pot2Value, 4);
}

TEST(BarSpan, RoundsHalfToEvenAndHoldsSixteenBits) {
    const struct {
        float trackWidth;
        std::int16_t span;
    } rows[] = {
        {4695.0f, 4611},   {84.0f, 0},           {84.5f, 0},         {85.5f, 2},
        {86.5f, 2},        {84.4f, 0},           {84.6f, 1},         {83.5f, 0},
        {82.5f, -2},       {0.0f, -84},          {32851.0f, 32767},  {32851.5f, 32767},
        {32852.0f, 32767}, {1.0e9f, 32767},      {-32684.0f, -32768}, {-32685.0f, -32768},
        {-1.0e9f, -32768}, {std::numeric_limits<float>::infinity(), 32767},
    };
    for (const auto& row : rows)
        EXPECT_EQ(BarSpan(row.trackWidth), row.span) << "track " << row.trackWidth;
}

TEST(BarWidth, KnownSamples) {
    const std::int16_t span = BarSpan(4695.0f);
    EXPECT_EQ(BarWidth(32768, span), 2305.5352f);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, BarWidth(32768, span)).ptr;
    EXPECT_EQ(std::string(text, end), "2305.5352");
    const float small = BarWidth(0x1234, span);
    EXPECT_GT(small, 327.87f);
    EXPECT_LT(small, 327.88f);
}

TEST(BarWidth, EverySampleWithinTheSpanAndRising) {
    for (const std::int16_t span : {std::int16_t{4611}, std::int16_t{1}, std::int16_t{32767}}) {
        EXPECT_EQ(BarWidth(0, span), 0.0f);
        EXPECT_EQ(BarWidth(65535, span), static_cast<float>(span));
        float previous = 0.0f;
        for (int sample = 0; sample <= 65535; ++sample) {
            const float width = BarWidth(static_cast<std::uint16_t>(sample), span);
            ASSERT_GE(width, previous) << "sample " << sample << ", span " << span;
            ASSERT_LE(width, static_cast<float>(span)) << "sample " << sample;
            previous = width;
        }
    }
    EXPECT_EQ(BarWidth(65535, -84), -84.0f);
    EXPECT_EQ(BarWidth(32768, -32768), static_cast<float>(32768.0 * -32768 / 65535.0));
}

} // namespace
} // namespace tensilo::protocol
