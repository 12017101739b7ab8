#include "device/sim/signal_generator.h"

#include "protocol/gain_items.h"
#include "protocol/settings_report.h"

#include <cmath>
#include <numbers>

namespace tensilo::device::sim {

namespace {

std::uint16_t ToSample(double fraction) {
    if (fraction <= 0)
        return 0;
    if (fraction >= 1)
        return 65535;
    return static_cast<std::uint16_t>(std::lround(fraction * 65535.0));
}

double Wave(std::uint64_t ms, double periodSeconds) {
    return std::sin(2 * std::numbers::pi * static_cast<double>(ms) / (periodSeconds * 1000.0));
}

} // namespace

double ChannelGain(const std::array<std::uint8_t, 9>& registers, int channel) {
    std::array<std::uint8_t, protocol::kSettingsReportLength> report{};
    report[1] = protocol::kSettingsMarker;
    for (std::size_t r = 0; r < registers.size(); ++r)
        report[3 + r] = registers[r];
    const auto item = protocol::SettingsItem(report, static_cast<protocol::Channel>(channel));
    if (!item)
        return 1.0;
    const protocol::GainItem split = protocol::SplitItem(*item);
    return std::ldexp(1.0 + split.FineGain / 256.0, split.GainExponent);
}

std::array<std::uint16_t, 3> SignalGenerator::Sample(std::uint64_t ms,
                                                     const std::array<std::uint8_t, 9>& registers) {
    // A small linear congruential generator: the same seed gives the same noise.
    noiseState_ = noiseState_ * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(noiseState_ >> 8) / (1u << 24) - 0.5) * 0.02;

    // At the default load-cell gain of 500 a full load reaches about nine tenths of full scale.
    const double loadCell = load_ * (0.75 + 0.15 * Wave(ms, 4.0) + noise) *
                            ChannelGain(registers, static_cast<int>(protocol::Channel::LoadCell)) /
                            500.0;
    // The potentiometers sit around a third of full scale at gain 1 and wander slowly.
    const double pot1 = (0.30 + 0.12 * Wave(ms, 9.0)) *
                        ChannelGain(registers, static_cast<int>(protocol::Channel::Pot1));
    const double pot2 = (0.55 + 0.10 * Wave(ms + 2500, 13.0)) *
                        ChannelGain(registers, static_cast<int>(protocol::Channel::Pot2));
    return {ToSample(pot1), ToSample(loadCell), ToSample(pot2)};
}

} // namespace tensilo::device::sim
