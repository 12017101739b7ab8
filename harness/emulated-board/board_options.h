// The command line of tensilo-emulated-board: which board it is (identity, strings, registers),
// how it misbehaves when asked to, what it streams, and where it logs.
#pragma once

#include "harness/emulated-board/board_constants.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tensilo::emulated {

struct BoardOptions {
    std::string name;          // the name written in front of each logged report
    std::string udc;           // the USB device controller the gadget binds to, e.g. dummy_udc.0
    std::string logPath;       // every SET_REPORT taken is appended here; empty: no log
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t version = 0x0101; // bcdDevice: configfs takes binary-coded decimal digits only
    // A string that is absent is not offered to the host at all.
    std::optional<std::string> manufacturer = "Tensilo";
    std::optional<std::string> product = "Tensilo interface";
    std::optional<std::string> serial;
    std::array<std::uint8_t, 9> registers = kFactoryRegisters;
    // Bytes 12 to 16 of the settings report, after the registers: zeros on the product, other
    // values on a test board so that a report cut short shows.
    std::array<std::uint8_t, 5> settingsTail = {0, 0, 0, 0, 0};
    unsigned intervalMs = 10;
    // The six data bytes of every input report; without them the board sends a moving pattern.
    std::optional<std::array<std::uint8_t, 6>> fixedReport;
    std::uint8_t settingsMarker = 0xEE; // --wrong-marker sends 0xED
    bool stallGetReport = false;
    bool stallSetReport = false;  // the register writes refused
    bool numberedReports = false; // report ID 1 on input and feature reports
};

BoardOptions DefaultBoardOptions();

// The options, or the reason they are not usable (one sentence naming the option).
std::variant<BoardOptions, std::string> ParseBoardOptions(const std::vector<std::string>& args);

// One line per option, for --help.
std::string BoardOptionsUsage();

} // namespace tensilo::emulated
