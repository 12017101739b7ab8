// The board as its firmware knows it: the USB IDs it enumerates with, its report descriptor and
// the registers it starts with. These are the emulated board's own copy, written from what the
// board is, on purpose: the program under test has its own (device/board_identity.h), and a test
// double that imported the constants it tests could never catch a wrong one. A program whose
// constants drift from the board's finds no board, or reads the wrong lengths, in the kernel tests.
#pragma once

#include <array>
#include <cstdint>

namespace tensilo::emulated {

inline constexpr std::uint16_t kVendorId = 0x1209;
inline constexpr std::uint16_t kProductId = 0x7E51;

// One vendor-defined application collection: an input report of six data bytes (potentiometer 1,
// load cell, potentiometer 2, 16 bits each) and a feature report of sixteen (the settings report,
// also the register writes), without report IDs.
inline constexpr std::array<std::uint8_t, 27> kReportDescriptor = {
    0x06, 0x00, 0xFF, // Usage Page (vendor defined 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x06,       //   Report Count (6)
    0x09, 0x02,       //   Usage (2)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x95, 0x10,       //   Report Count (16)
    0x09, 0x03,       //   Usage (3)
    0xB1, 0x02,       //   Feature (Data, Variable, Absolute)
    0xC0,             // End Collection
};

// Registers 0 to 8 as the board leaves the factory: load cell gain 500, potentiometers gain 1.
inline constexpr std::array<std::uint8_t, 9> kFactoryRegisters = {0x0F, 0x01, 0x08, 0x00, 0x08,
                                                                  0x00, 0xF4, 0x00, 0x00};

} // namespace tensilo::emulated
