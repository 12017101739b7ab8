// The HID lister's walk: every present HID interface, not only the boards of the product, with
// what the program would see of it. For the user whose window lists no board.
#pragma once

#include "device/hid_api.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::tools {

struct InterfaceReport {
    std::string path;
    bool opened = false; // the program's synchronous open succeeded
    // An open refused to this user (the system said so) on a device whose vendor and product the
    // system told without opening it; both 0 when it did not.
    bool accessDenied = false;
    std::uint16_t refusedVendorId = 0;
    std::uint16_t refusedProductId = 0;
    bool attributesRead = false;
    device::Attributes attributes;
    // Device strings as the window shows them; empty when the request failed.
    std::optional<std::string> serial;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    bool capsRead = false;
    device::HidCaps caps;
    // The system's reason for each request that failed, by the name the line gives the request
    // ("open", "attributes", "serial", "manufacturer", "product", "report lengths").
    std::map<std::string, std::string> failures;

    // Vendor and product are the board's: the window's walk would look at its serial number.
    bool IsBoard() const;
    // A board of the product that this user may not open.
    bool IsRefusedBoard() const;
};

// Enumerates the HID interfaces in the platform's order and opens each as the program does
// (read/write, shared, synchronous). Every handle, set and preparsed data obtained is released
// once before the function returns.
std::vector<InterfaceReport> ListHidInterfaces(device::HidApi& hid);

// One line per interface, the boards of the product marked with a leading "*".
std::string FormatInterfaceLine(const InterfaceReport& report);

// "N interfaces, M Tensilo boards", and how many of those boards this user may not open.
std::string FormatSummary(const std::vector<InterfaceReport>& reports);

// What to do about boards this user may not open; empty when there are none.
std::string AccessAdvice(const std::vector<InterfaceReport>& reports);

// What to check when the system offers no HID interface at all, in one line: the board is then not
// seen, whatever this user may open.
std::string NoInterfaceAdvice();

} // namespace tensilo::tools
