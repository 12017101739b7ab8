#include "protocol/gain_text.h"

#include "protocol/gain_items.h"

#include <algorithm>
#include <cmath>

namespace tensilo::protocol {

namespace {

// 1e9 / 256: a 256th in units of 1e-9.
constexpr std::uint64_t kNanosPer256th = 3'906'250;
// Whole parts above this are beyond every gain; they are held as this, just above it.
constexpr std::uint64_t kLargestWholePart = 1'000'000;
constexpr std::size_t kDecimalsHeld = 9;

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first item whose gain is at least `nanos`; kGainItemCount when there is none.
int FirstGainFrom(std::uint64_t nanos) {
    int low = 0;
    int high = kGainItemCount;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (GainNanos(middle) < nanos)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

std::optional<DecimalValue> ParseDecimal(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (!AllDigits(whole) || (point != std::string_view::npos && !AllDigits(fraction)))
        return std::nullopt;

    std::uint64_t wholePart = 0;
    for (const char digit : whole) {
        wholePart = wholePart * 10 + static_cast<std::uint64_t>(digit - '0');
        if (wholePart > kLargestWholePart)
            return DecimalValue{kLargestWholePart * kNanosPerUnit, true};
    }
    std::uint64_t decimals = 0;
    for (std::size_t i = 0; i < kDecimalsHeld; ++i)
        decimals = decimals * 10 +
                   (i < fraction.size() ? static_cast<std::uint64_t>(fraction[i] - '0') : 0);
    const bool beyond = fraction.size() > kDecimalsHeld &&
                        fraction.find_first_not_of('0', kDecimalsHeld) != std::string_view::npos;
    return DecimalValue{wholePart * kNanosPerUnit + decimals, beyond};
}

std::uint64_t GainNanos(int k) {
    const GainItem item = SplitItem(k);
    return (std::uint64_t{256} + item.FineGain) * kNanosPer256th << item.GainExponent;
}

GainTextMatch MatchGain(DecimalValue value) {
    GainTextMatch match;
    const int first = FirstGainFrom(value.nanos);
    const bool hitsGain = first < kGainItemCount && GainNanos(first) == value.nanos;
    if (hitsGain && !value.beyond) {
        match.exact = first;
        match.nearest = first;
        return match;
    }
    // The value lies strictly between two neighbouring gains, or outside them all. A value just
    // above a gain (`beyond`) has that gain below it.
    const int above = hitsGain ? first + 1 : first;
    if (above > 0)
        match.below = above - 1;
    if (above < kGainItemCount)
        match.above = above;
    if (!match.below) {
        match.nearest = *match.above;
    } else if (!match.above) {
        match.nearest = *match.below;
    } else {
        // Both neighbours are even multiples of 1e-9, so their midpoint is a whole number of
        // units; a value on it goes to the lower gain.
        const std::uint64_t midpoint = (GainNanos(*match.below) + GainNanos(*match.above)) / 2;
        const bool pastMidpoint =
            value.nanos > midpoint || (value.nanos == midpoint && value.beyond);
        match.nearest = pastMidpoint ? *match.above : *match.below;
    }
    return match;
}

std::optional<GainTextMatch> MatchGainText(std::string_view text) {
    const auto value = ParseDecimal(text);
    if (!value)
        return std::nullopt;
    return MatchGain(*value);
}

std::string NearestGainsText(const GainTextMatch& match) {
    std::string text;
    if (match.below)
        text += GainItemText(*match.below);
    if (match.below && match.above)
        text += ", ";
    if (match.above)
        text += GainItemText(*match.above);
    return text;
}

double GainValue(int k) {
    const GainItem item = SplitItem(k);
    return std::ldexp(256.0 + item.FineGain, item.GainExponent - 8);
}

std::optional<int> ItemOfGainValue(double value) {
    if (!(value >= GainValue(0) && value <= GainValue(kGainItemCount - 1)))
        return std::nullopt;
    int low = 0;
    int high = kGainItemCount - 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (GainValue(middle) < value)
            low = middle + 1;
        else
            high = middle;
    }
    if (GainValue(low) != value)
        return std::nullopt;
    return low;
}

} // namespace tensilo::protocol
