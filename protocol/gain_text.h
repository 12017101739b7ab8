// Gains as people write them: a plain decimal text, read exactly and matched against the 2560
// gains of the lists. Every gain is a whole multiple of 1/256 and so of 1e-8, and the midpoint of
// two neighbouring gains a multiple of 1/512 and so of 1e-9: held in units of 1e-9, a text is
// compared with gains and midpoints without any rounding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tensilo::protocol {

inline constexpr std::uint64_t kNanosPerUnit = 1'000'000'000;

// A plain non-negative decimal: one or more digits, then optionally a point and one or more
// digits ("500", "500.0", "2.5", "0007"). Its value is `nanos` units of 1e-9, exactly when
// `beyond` is false; when `beyond` is true, digits after the ninth decimal are not all zero and
// the value lies strictly between `nanos` and `nanos` + 1. A whole part above a million, beyond
// every gain, is held as a million with `beyond` set.
struct DecimalValue {
    std::uint64_t nanos = 0;
    bool beyond = false;
};

// None for any other text: empty, signs, spaces, exponents, commas, "0x", a point without digits
// on both sides.
std::optional<DecimalValue> ParseDecimal(std::string_view text);

// The gain of item k (0 to 2559) in units of 1e-9: (256 + m) * 2^e * 1e9 / 256, exact.
std::uint64_t GainNanos(int k);

// Where a decimal value falls among the gains.
struct GainTextMatch {
    // The item whose gain equals the value, when one does.
    std::optional<int> exact;
    // The item whose gain is nearest to the value; of two equally near, the lower.
    int nearest = 0;
    // For a value that is no gain: the items of the largest gain below it (none below 1) and of
    // the smallest gain above it (none above 1022).
    std::optional<int> below;
    std::optional<int> above;
};

GainTextMatch MatchGain(DecimalValue value);

// ParseDecimal then MatchGain; none for a text that is not a plain decimal.
std::optional<GainTextMatch> MatchGainText(std::string_view text);

// The gains on either side of a value that is no gain, as messages name them: "1020, 1022", or
// the one there is ("1" below every gain, "1022" above).
std::string NearestGainsText(const GainTextMatch& match);

// The item whose gain is exactly `value` (a gain read as a binary number, which holds every gain
// exactly), or none.
std::optional<int> ItemOfGainValue(double value);

// The gain of item k (0 to 2559) as a binary number, exact.
double GainValue(int k);

} // namespace tensilo::protocol
