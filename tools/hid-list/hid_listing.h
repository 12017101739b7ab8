// The HID lister's walk: every present HID interface, not only the boards of the product, with
// what the program would see of it. For the user whose window lists no board.
#pragma once

#include "device/hid_api.h"

#include <optional>
#include <string>
#include <vector>

namespace tensilo::tools {

struct InterfaceReport {
    std::string path;
    bool opened = false; // the program's synchronous open succeeded
    bool attributesRead = false;
    device::Attributes attributes;
    // Device strings as the window shows them; empty when the request failed.
    std::optional<std::string> serial;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    bool capsRead = false;
    device::HidCaps caps;

    // Vendor and product are the board's: the window's walk would look at its serial number.
    bool IsBoard() const;
};

// Enumerates the HID interfaces in the platform's order and opens each as the program does
// (read/write, shared, synchronous). Every handle, set and preparsed data obtained is released
// once before the function returns.
std::vector<InterfaceReport> ListHidInterfaces(device::HidApi& hid);

// One line per interface, the boards of the product marked with a leading "*".
std::string FormatInterfaceLine(const InterfaceReport& report);

// "N interfaces, M Tensilo boards".
std::string FormatSummary(const std::vector<InterfaceReport>& reports);

} // namespace tensilo::tools
