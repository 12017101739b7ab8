// What a simulated board is: the data the tests and tools give it, and the calls that can be made
// to fail for it.
#pragma once

#include "device/board_identity.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tensilo::device::sim {

// The platform calls that can be switched to fail for one board.
enum class SimCall {
    Open,         // both opens of the board's path
    Attributes,
    Serial,
    Manufacturer,
    Product,
    Caps,         // the preparsed data cannot be obtained
    GetFeature,
    SetFeature,
    Read,
};
inline constexpr std::size_t kSimCallCount = 9;

inline constexpr std::array<std::uint8_t, 9> kDefaultRegisters = {0x0F, 0x01, 0x08, 0x00, 0x08,
                                                                  0x00, 0xF4, 0x00, 0x00};

struct SimBoardConfig {
    std::string name;
    std::uint16_t vendorId = BoardVendorId;
    std::uint16_t productId = BoardProductId;
    std::uint16_t version = 0x0101;
    // A string the board does not have (nullopt) makes its request fail.
    std::optional<std::u16string> serial;
    std::optional<std::u16string> manufacturer = u"Tensilo";
    std::optional<std::u16string> product = u"Tensilo interface";
    std::uint16_t inputLength = BoardInputReportByteLength;
    std::uint16_t featureLength = BoardFeatureReportByteLength;
    std::array<std::uint8_t, 9> registers = kDefaultRegisters;
    // Whether the system tells the board's vendor and product without opening it, as it does for
    // a board on USB; when it does not, a walk must open the board to learn them.
    bool idsTold = true;
};

// A board of the product called `name`, with its name as serial number.
SimBoardConfig SaneBoard(const std::string& name);

} // namespace tensilo::device::sim
