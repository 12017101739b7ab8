#include "protocol/gain_items.h"

#include <array>
#include <cmath>

namespace tensilo::protocol {

GainItem SplitItem(int k) {
    // floor(k / 256) for negative k as well; the fine gain is then still 0 to 255.
    const int e = static_cast<int>(std::floor(k / 256.0));
    return {e, static_cast<std::uint8_t>(k - kItemsPerExponent * e)};
}

ExponentSplit SplitExponent(int gainExponent) {
    static constexpr std::array<ExponentSplit, 10> kSplit = {{
        {0, 0}, {0, 1}, {0, 2}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {7, 1}, {7, 2},
    }};
    if (gainExponent < 0 || gainExponent >= static_cast<int>(kSplit.size()))
        return {0, 0};
    return kSplit[static_cast<std::size_t>(gainExponent)];
}

std::string_view ChannelName(Channel channel) {
    switch (channel) {
    case Channel::Pot1:
        return "pot1";
    case Channel::Pot2:
        return "pot2";
    case Channel::LoadCell:
        break;
    }
    return "lc";
}

std::optional<Channel> ChannelOfName(std::string_view name) {
    for (const Channel channel : kChannels)
        if (name == ChannelName(channel))
            return channel;
    return std::nullopt;
}

std::optional<int> ExponentFromRegisters(Channel channel, std::uint8_t codeByte,
                                         std::uint8_t shiftByte) {
    const int code = codeByte & 7;
    switch (code) {
    case 0:
        if (shiftByte <= 2)
            return shiftByte;
        return std::nullopt;
    case 1:
    case 2:
        return std::nullopt;
    case 7: {
        const int shift = channel == Channel::LoadCell ? shiftByte : (shiftByte & 3);
        if (shift > 3)
            return std::nullopt;
        return shift == 3 ? 9 : 7 + shift;
    }
    default:
        return code;
    }
}

std::string GainItemText(int k, std::string_view decimalSeparator) {
    if (k < 0 || k >= kGainItemCount)
        return {};
    const GainItem item = SplitItem(k);
    // The gain is (256 + m) * 2^e / 256: an integer part and a fraction in 256ths. A 256th is
    // 0.00390625 = 390625e-8, so the fraction is exact in eight decimal digits.
    const std::uint32_t numerator = (256u + item.FineGain) << item.GainExponent;
    std::string text = std::to_string(numerator / 256u);
    std::uint32_t fraction = (numerator % 256u) * 390625u;
    if (fraction == 0)
        return text;
    std::array<char, 8> digits{};
    for (int i = 7; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    std::size_t length = digits.size();
    while (digits[length - 1] == '0')
        --length;
    text += decimalSeparator;
    text.append(digits.data(), length);
    return text;
}

} // namespace tensilo::protocol
