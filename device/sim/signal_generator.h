// The outputs of a streaming simulated board at a moment of simulated time: a load-cell signal
// that moves (a slow wave plus a little noise, proportional to the load applied and to the gain
// the board holds) and two potentiometers that drift slowly, each scaled by its own gain.
#pragma once

#include <array>
#include <cstdint>

namespace tensilo::device::sim {

class SignalGenerator {
public:
    explicit SignalGenerator(std::uint32_t seed = 1) : noiseState_(seed | 1u) {}

    // Load on the cell, 0 (none) to 1 (full).
    void SetLoad(double load) { load_ = load < 0 ? 0 : (load > 1 ? 1 : load); }
    double Load() const { return load_; }

    // Pot1, load cell, Pot2 at time `ms`, each 0 to 65535, for the gains the registers hold.
    std::array<std::uint16_t, 3> Sample(std::uint64_t ms, const std::array<std::uint8_t, 9>& registers);

private:
    double load_ = 0.4;
    std::uint32_t noiseState_;
};

// The gain the registers select for a channel (1 when they name no item).
double ChannelGain(const std::array<std::uint8_t, 9>& registers, int channel);

} // namespace tensilo::device::sim
