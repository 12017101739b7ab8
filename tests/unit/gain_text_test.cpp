// Gain texts as people write them: what is a plain decimal, which gain it is, and which gains are
// nearest to one that is none.
#include "protocol/gain_items.h"
#include "protocol/gain_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tensilo::protocol {
namespace {

constexpr std::optional<int> none;

// Item numbers of the gains the rows name, so that the table reads in gains.
constexpr int k1 = 0, k1_00390625 = 1, k1_99609375 = 255, k2 = 256, k255_5 = 2047, k500 = 2292,
              k501 = 2293, k511 = 2303, k512 = 2304, k1020 = 2558, k1022 = 2559;

TEST(MatchGainText, Table) {
    const struct {
        const char* text;
        bool decimal;
        std::optional<int> exact;
        int nearest;
        std::optional<int> below;
        std::optional<int> above;
    } rows[] = {
        // Not a plain decimal: no gain at all.
        {"", false, none, 0, none, none},
        {" 500", false, none, 0, none, none},
        {"500 ", false, none, 0, none, none},
        {"+500", false, none, 0, none, none},
        {"-1", false, none, 0, none, none},
        {"1e3", false, none, 0, none, none},
        {"1E3", false, none, 0, none, none},
        {"5,5", false, none, 0, none, none},
        {"0x10", false, none, 0, none, none},
        {".5", false, none, 0, none, none},
        {"5.", false, none, 0, none, none},
        {".", false, none, 0, none, none},
        {"1.2.3", false, none, 0, none, none},
        {"1_000", false, none, 0, none, none},
        {"500\n", false, none, 0, none, none},
        {"inf", false, none, 0, none, none},
        {"\xEF\xBC\x95", false, none, 0, none, none}, // a full-width digit five
        // Equal in value to a gain.
        {"1", true, k1, k1, none, none},
        {"1.0", true, k1, k1, none, none},
        {"500", true, k500, k500, none, none},
        {"0500", true, k500, k500, none, none},
        {"500.000000000000000000", true, k500, k500, none, none},
        {"1.00390625", true, k1_00390625, k1_00390625, none, none},
        {"1.0039062500000", true, k1_00390625, k1_00390625, none, none},
        {"1.99609375", true, k1_99609375, k1_99609375, none, none},
        {"2", true, k2, k2, none, none},
        {"255.5", true, k255_5, k255_5, none, none},
        {"1022", true, k1022, k1022, none, none},
        // Between two gains: the nearer; on the midpoint, the lower.
        {"1021", true, none, k1020, k1020, k1022},
        {"1020.999999999", true, none, k1020, k1020, k1022},
        {"1021.000000001", true, none, k1022, k1020, k1022},
        // Past the midpoint in the tenth decimal.
        {"1021.0000000001", true, none, k1022, k1020, k1022},
        {"1020.5", true, none, k1020, k1020, k1022},
        {"500.5", true, none, k500, k500, k501},
        {"500.5000000000000000001", true, none, k501, k500, k501},
        {"511.5", true, none, k511, k511, k512},
        {"1.001953125", true, none, k1, k1, k1_00390625},
        {"1.0019531251", true, none, k1_00390625, k1, k1_00390625},
        {"1.998046875", true, none, k1_99609375, k1_99609375, k2},
        {"1.0000000001", true, none, k1, k1, k1_00390625},
        // Outside every gain: one neighbour.
        {"0", true, none, k1, none, k1},
        {"0.999999999999", true, none, k1, none, k1},
        {"1023", true, none, k1022, k1022, none},
        {"1022.0000000001", true, none, k1022, k1022, none},
        {"99999999999999999999999999", true, none, k1022, k1022, none},
    };
    for (const auto& row : rows) {
        const auto match = MatchGainText(row.text);
        ASSERT_EQ(match.has_value(), row.decimal) << '"' << row.text << '"';
        if (!match)
            continue;
        EXPECT_EQ(match->exact, row.exact) << row.text;
        EXPECT_EQ(match->nearest, row.nearest) << row.text;
        EXPECT_EQ(match->below, row.below) << row.text;
        EXPECT_EQ(match->above, row.above) << row.text;
    }
}

// The value in units of 1e-9 as a plain decimal with all nine decimals.
std::string NanosText(std::uint64_t nanos) {
    std::string decimals = std::to_string(nanos % kNanosPerUnit);
    return std::to_string(nanos / kNanosPerUnit) + "." + std::string(9 - decimals.size(), '0') +
           decimals;
}

TEST(MatchGainText, EveryGainTextIsItsGainAndEveryMidpointTheLowerOne) {
    for (int k = 0; k < kGainItemCount; ++k) {
        const std::string text = GainItemText(k);
        ASSERT_EQ(MatchGainText(text)->exact, k) << text;
        ASSERT_EQ(MatchGainText(text + (text.find('.') == std::string::npos ? ".0" : "00"))->exact,
                  k)
            << text;
        if (k + 1 == kGainItemCount)
            break;
        const std::uint64_t midpoint = (GainNanos(k) + GainNanos(k + 1)) / 2;
        ASSERT_EQ((GainNanos(k) + GainNanos(k + 1)) % 2, 0u) << "item " << k;
        for (const auto& [nanos, nearest] :
             {std::pair{midpoint - 1, k}, std::pair{midpoint, k}, std::pair{midpoint + 1, k + 1}}) {
            const auto match = MatchGainText(NanosText(nanos));
            ASSERT_FALSE(match->exact) << NanosText(nanos);
            ASSERT_EQ(match->nearest, nearest) << NanosText(nanos);
            ASSERT_EQ(match->below, k) << NanosText(nanos);
            ASSERT_EQ(match->above, k + 1) << NanosText(nanos);
        }
    }
}

TEST(ItemOfGainValue, EveryGainAndItsNeighbouringNumbers) {
    for (int k = 0; k < kGainItemCount; ++k) {
        const double gain = std::stod(GainItemText(k));
        ASSERT_EQ(GainValue(k), gain) << "item " << k;
        ASSERT_EQ(ItemOfGainValue(gain), k) << "item " << k;
        ASSERT_EQ(ItemOfGainValue(std::nextafter(gain, 0.0)), none) << "item " << k;
        ASSERT_EQ(ItemOfGainValue(std::nextafter(gain, 2000.0)), none) << "item " << k;
    }
    EXPECT_EQ(ItemOfGainValue(0.0), none);
    EXPECT_EQ(ItemOfGainValue(-500.0), none);
    EXPECT_EQ(ItemOfGainValue(NAN), none);
    EXPECT_EQ(ItemOfGainValue(INFINITY), none);
}

} // namespace
} // namespace tensilo::protocol
