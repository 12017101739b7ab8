// The gain lists' items and the board's gain registers. Each list holds 2560 items; item k stands
// for the gain 2^e * (1 + m / 256) with GainExponent e = floor(k / 256) and FineGain
// m = k - 256 * e. The board takes e as a GainCode (0 to 7) and a GainShift (0 to 2).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tensilo::protocol {

inline constexpr int kGainItemCount = 2560;
inline constexpr int kItemsPerExponent = 256;

// The exponent and fine gain of item k. Defined for every 16-bit index, including -1 ("none
// selected"): the exponent is floor(k / 256) and the fine gain k - 256 * e taken as a byte.
struct GainItem {
    int GainExponent = 0;
    std::uint8_t FineGain = 0;
};
GainItem SplitItem(int k);

// The inverse: the item of an exponent (0 to 9) and a fine gain.
constexpr int ItemIndex(int gainExponent, std::uint8_t fineGain) {
    return kItemsPerExponent * gainExponent + fineGain;
}

// Exponents 0 to 2 use the shift alone, 3 to 7 the code alone, 8 and 9 hold the code at 7 and add
// the shift; any other exponent gives code 0 and shift 0.
struct ExponentSplit {
    std::uint8_t GainCode = 0;
    std::uint8_t GainShift = 0;
};
ExponentSplit SplitExponent(int gainExponent);

// A gain-code register carries the code in bits 0-2 with bit 3 set: code + 8.
constexpr std::uint8_t CodeRegisterValue(std::uint8_t gainCode) {
    return static_cast<std::uint8_t>(gainCode + 8);
}

// The three input channels and their registers, in the order the board's registers and the
// read-back take them.
enum class Channel { LoadCell, Pot1, Pot2 };
inline constexpr std::array<Channel, 3> kChannels = {Channel::LoadCell, Channel::Pot1,
                                                     Channel::Pot2};
// The short names of the channels where people write them (tensiloctl's command line, its
// settings files): lc, pot1, pot2.
std::string_view ChannelName(Channel channel);
// The channel of a short name, or none.
std::optional<Channel> ChannelOfName(std::string_view name);

struct ChannelRegisters {
    std::uint8_t code;
    std::uint8_t shift;
    std::uint8_t fine;
};
constexpr ChannelRegisters RegistersOf(Channel channel) {
    switch (channel) {
    case Channel::LoadCell:
        return {0, 1, 6};
    case Channel::Pot1:
        return {2, 3, 7};
    case Channel::Pot2:
        return {4, 5, 8};
    }
    return {0, 1, 6};
}

// The gains that "Restore default settings" selects, in the order it selects them:
// potentiometer 1 and potentiometer 2 at gain 1, then the load cell at gain 500.
struct ChannelItem {
    Channel channel;
    int item;
};
inline constexpr std::array<ChannelItem, 3> kDefaultGains = {{
    {Channel::Pot1, 0},
    {Channel::Pot2, 0},
    {Channel::LoadCell, 2292},
}};

// The exponent read back from a channel's code byte and shift byte, or none where the board's
// registers name no item. Only bits 0-2 of the code byte count. With code 0 every channel compares
// its whole shift byte (0, 1, 2); with code 7 the load cell compares its whole shift byte (0 to 3)
// while the potentiometers use its low two bits; codes 3 to 6 ignore the shift; codes 1 and 2
// name none.
std::optional<int> ExponentFromRegisters(Channel channel, std::uint8_t codeByte,
                                         std::uint8_t shiftByte);

// The text of item k (0 to 2559): the gain in plain decimal, exact, the fraction (if any) after
// `decimalSeparator` without trailing zeros: "1", "1.00390625", "500", "1022". Empty for an index
// outside the list.
std::string GainItemText(int k, std::string_view decimalSeparator = ".");

} // namespace tensilo::protocol
