// The register write report, host to device: report ID 0, command 1 (write one register), the
// register number and its value, zero-filled to the feature report length. A gain selection
// writes three: the channel's code register (GainCode + 8), its shift register and its fine
// register, in that order.
#pragma once

#include "protocol/gain_items.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tensilo::protocol {

inline constexpr std::uint8_t kWriteRegisterCommand = 1;
// Bytes the command needs: ID, command, register, value.
inline constexpr std::size_t kRegisterWriteMinLength = 4;

struct RegisterWrite {
    std::uint8_t reg = 0;
    std::uint8_t value = 0;
};

// The three register writes that select item k in the list of `channel`, in sending order.
std::array<RegisterWrite, 3> GainSelectionWrites(Channel channel, int k);

// Writes bytes 0 to 3 of a register write report into `report` and leaves the rest as it is (zero
// in a fresh buffer). Returns false, writing nothing, when `report` is shorter than 4 bytes.
bool FillRegisterWrite(std::span<std::uint8_t> report, RegisterWrite write);

} // namespace tensilo::protocol
