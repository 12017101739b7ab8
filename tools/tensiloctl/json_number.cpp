#include "tools/tensiloctl/json_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace tensilo::ctl {

namespace {

// Qt writes a whole number up to this size as an integer, and a larger one in its shortest form.
constexpr double kLargestWholeWrittenAsInteger = 9007199254740992.0; // 2^53
// Decimal exponents kept by PlainDecimal: 10^7 lies beyond a million, the largest whole part
// ParseDecimal tells apart, and 10^-11 below 10^-9, its smallest unit.
constexpr long long kLargestExponentKept = 7;
constexpr long long kSmallestExponentKept = -11;
// An exponent larger than this in size is held as this: the file is at most 64 KiB, so its digits
// cannot move the point back by as much.
constexpr long long kExponentLimit = 1'000'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The plain decimal d1.d2...dn x 10^exponent of the digits d1 d2 ... dn (no sign, no point):
// ("1234", 1) gives "12.34", ("5", 2) "500", ("25", -3) "0.0025".
std::string PlainForm(std::string_view digits, long long exponent) {
    std::string text;
    if (exponent < 0) {
        text = "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
        return text;
    }
    const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
    text = digits.substr(0, wholeDigits);
    if (digits.size() < wholeDigits)
        text.append(wholeDigits - digits.size(), '0');
    if (digits.size() > wholeDigits) {
        text += '.';
        text += digits.substr(wholeDigits);
    }
    return text;
}

// The exponent after a number's 'e': an optional sign and digits, held within kExponentLimit.
std::optional<long long> ExponentOf(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    long long exponent = 0;
    for (const char digit : text)
        exponent = std::min(exponent * 10 + (digit - '0'), kExponentLimit);
    return negative ? -exponent : exponent;
}

} // namespace

std::string JsonNumberText(double value) {
    if (!std::isfinite(value))
        return "null";
    if (std::trunc(value) == value && std::fabs(value) <= kLargestWholeWrittenAsInteger)
        return std::to_string(static_cast<long long>(value));
    // The shortest digits that read back as the value, as "-1.234e+01"; then the shorter of that
    // and the plain form of the same digits, as Qt chooses.
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
    const std::string_view sign = scientific.substr(0, value < 0 ? 1 : 0);
    const std::size_t e = scientific.find('e');
    std::string digits(scientific.substr(sign.size(), e - sign.size()));
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    const std::string plain =
        std::string(sign) + PlainForm(digits, ExponentOf(scientific.substr(e + 1)).value_or(0));
    return plain.size() <= scientific.size() ? plain : std::string(scientific);
}

std::optional<std::string> PlainDecimal(std::string_view number) {
    // The digits with the point taken out; `exponent` is that of the first digit, as in 1.234e1.
    std::string digits;
    std::size_t i = 0;
    while (i < number.size() && IsDigit(number[i]))
        digits += number[i++];
    if (digits.empty())
        return std::nullopt;
    long long exponent = static_cast<long long>(digits.size()) - 1;
    if (i < number.size() && number[i] != 'e' && number[i] != 'E') {
        const std::size_t fractionStart = ++i;
        while (i < number.size() && IsDigit(number[i]))
            digits += number[i++];
        if (i == fractionStart)
            return std::nullopt;
    }
    if (i < number.size()) {
        const auto shift = ExponentOf(number.substr(i + 1));
        if (!shift || (number[i] != 'e' && number[i] != 'E'))
            return std::nullopt;
        exponent += *shift;
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return std::string("0");
    exponent -= static_cast<long long>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    if (exponent > kLargestExponentKept)
        return PlainForm("1", kLargestExponentKept);
    if (exponent < kSmallestExponentKept)
        return PlainForm("1", kSmallestExponentKept);
    return PlainForm(digits, exponent);
}

} // namespace tensilo::ctl
