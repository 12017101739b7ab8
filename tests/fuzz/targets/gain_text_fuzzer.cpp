// Gain texts: which text is a plain decimal, which gain it is, and which gains are nearest to one
// that is none. Input: the text. The nearest gain is checked by a sum of its own (distances in
// half units of 1e-9) against the midpoint the parser compares with.
#include "fuzz_check.h"

#include "protocol/gain_items.h"
#include "protocol/gain_text.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace tensilo::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = ParseDecimal(text);
    // A plain decimal is digits, then at most one point followed by digits; nothing else reads.
    const std::size_t point = text.find('.');
    const bool plain =
        !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos &&
        point != 0 && point + 1 != text.size() &&
        (point == std::string_view::npos || text.find('.', point + 1) == std::string_view::npos);
    FUZZ_CHECK(value.has_value() == plain);
    if (!value)
        return 0;

    const GainTextMatch match = MatchGain(*value);
    FUZZ_CHECK(match.nearest >= 0 && match.nearest < kGainItemCount);
    if (match.exact) {
        FUZZ_CHECK(!value->beyond && GainNanos(*match.exact) == value->nanos);
        FUZZ_CHECK(match.nearest == *match.exact && !match.below && !match.above);
        // The gain's own text reads as the same gain.
        FUZZ_CHECK(MatchGainText(GainItemText(*match.exact))->exact == match.exact);
        return 0;
    }
    FUZZ_CHECK(match.below || match.above);
    // The value as twice its units of 1e-9, plus one when it lies past them.
    const std::uint64_t twice = 2 * value->nanos + (value->beyond ? 1 : 0);
    if (match.below)
        FUZZ_CHECK(2 * GainNanos(*match.below) < twice);
    if (match.above)
        FUZZ_CHECK(twice < 2 * GainNanos(*match.above));
    if (match.below && match.above) {
        FUZZ_CHECK(*match.above == *match.below + 1);
        const std::uint64_t toBelow = twice - 2 * GainNanos(*match.below);
        const std::uint64_t toAbove = 2 * GainNanos(*match.above) - twice;
        FUZZ_CHECK(match.nearest == (toBelow <= toAbove ? *match.below : *match.above));
    } else {
        FUZZ_CHECK(match.nearest == (match.below ? *match.below : *match.above));
        FUZZ_CHECK(match.below ? *match.below == kGainItemCount - 1 : *match.above == 0);
    }
    return 0;
}
