// The gain lists' items: their split, their texts and the exponent read back from the registers.
#include "protocol/gain_items.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <set>
#include <string>

namespace tensilo::protocol {
namespace {

// The gain of item k as a double (exact: at most 18 significant bits) in plain decimal.
std::string IndependentText(int k, char separator) {
    const double gain = std::ldexp(1.0 + (k % 256) / 256.0, k / 256);
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, gain, std::chars_format::fixed);
    std::string text(digits, result.ptr);
    for (char& c : text)
        if (c == '.')
            c = separator;
    return text;
}

TEST(GainItemText, KnownItems) {
    const struct {
        int k;
        const char* text;
    } rows[] = {
        {-1, ""},
        {2560, ""},
        {0, "1"},
        {1, "1.00390625"},
        {2, "1.0078125"},
        {128, "1.5"},
        {255, "1.99609375"},
        {256, "2"},
        {257, "2.0078125"},
        {767, "7.984375"},
        {1024, "16"},
        {2047, "255.5"},
        {2292, "500"},
        {2304, "512"},
        {2559, "1022"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(GainItemText(row.k), row.text) << "item " << row.k;
}

TEST(GainItemText, LocaleSeparator) {
    EXPECT_EQ(GainItemText(2047, ","), "255,5");
    EXPECT_EQ(GainItemText(1, ","), "1,00390625");
    EXPECT_EQ(GainItemText(2304, ","), "512");
}

TEST(GainItemText, EveryItemExactRisingAndDistinct) {
    std::set<std::string> seen;
    double previous = 0.0;
    for (int k = 0; k < kGainItemCount; ++k) {
        const std::string text = GainItemText(k);
        ASSERT_EQ(text, IndependentText(k, '.')) << "item " << k;
        ASSERT_EQ(GainItemText(k, ","), IndependentText(k, ',')) << "item " << k;
        double value = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        ASSERT_GT(value, previous) << "item " << k;
        previous = value;
        seen.insert(text);
    }
    EXPECT_EQ(previous, 1022.0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kGainItemCount));
}

TEST(SplitItem, EverySixteenBitIndex) {
    for (int k = -32768; k <= 32767; ++k) {
        const GainItem item = SplitItem(k);
        const int floorExponent = k >= 0 ? k / 256 : -((-k + 255) / 256);
        ASSERT_EQ(item.GainExponent, floorExponent) << "index " << k;
        ASSERT_EQ(ItemIndex(item.GainExponent, item.FineGain), k) << "index " << k;
    }
    EXPECT_EQ(SplitItem(-1).GainExponent, -1);
    EXPECT_EQ(SplitItem(-1).FineGain, 255);
    EXPECT_EQ(SplitItem(2292).GainExponent, 8);
    EXPECT_EQ(SplitItem(2292).FineGain, 244);
}

TEST(ExponentFromRegisters, Table) {
    constexpr auto LC = Channel::LoadCell;
    constexpr auto P1 = Channel::Pot1;
    constexpr auto P2 = Channel::Pot2;
    constexpr std::optional<int> none;
    const struct {
        Channel channel;
        std::uint8_t code;
        std::uint8_t shift;
        std::optional<int> exponent;
    } rows[] = {
        // No item.
        {LC, 0, 3, none},
        {P1, 0, 3, none},
        {P2, 0, 3, none},
        {P1, 0, 5, none}, // code 0 compares the whole shift byte, also for a potentiometer
        {P2, 0, 0x80, none},
        {LC, 1, 0, none},
        {P1, 2, 1, none},
        {P2, 0x09, 0, none}, // code 1 with bit 3 set
        {LC, 7, 4, none},
        {LC, 0x0F, 0xFF, none},
        // An item.
        {LC, 0, 0, 0},
        {P1, 0, 1, 1},
        {P2, 0, 2, 2},
        {LC, 0x08, 2, 2},
        {LC, 3, 0xFF, 3},
        {P1, 4, 7, 4},
        {P2, 5, 3, 5},
        {LC, 6, 200, 6},
        {LC, 7, 0, 7},
        {LC, 7, 1, 8},
        {LC, 7, 2, 9},
        {LC, 7, 3, 9},
        {P1, 7, 3, 9},
        {P1, 7, 4, 7},
        {P1, 7, 6, 9},
        {P2, 7, 6, 9},
        {P2, 7, 0xFD, 8},
        {LC, 0x0F, 0, 7},
        {P1, 0xFC, 9, 4}, // bits above 2 of the code byte ignored
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExponentFromRegisters(row.channel, row.code, row.shift), row.exponent)
            << "channel " << static_cast<int>(row.channel) << " code " << int{row.code}
            << " shift " << int{row.shift};
}

} // namespace
} // namespace tensilo::protocol
