// The interface walk shared by Scan_USB_devices and FindTheHid: every present HID interface that
// the system does not tell to be another product's is opened, its attributes are read, and each
// board of the product whose serial number can be read is handed to the caller, which says
// whether to keep its handle and whether the walk ends.
#pragma once

#include "device/hid_api.h"
#include "device/window_state.h"

#include <functional>
#include <string>
#include <vector>

namespace tensilo::device {

// What the caller does with a board of the product.
enum class BoardVerdict {
    Close,          // close its handle and go on
    KeepAndStop,    // keep DeviceHandle open on it and end the walk
};

// Called with the board's serial number as text (DeviceStringText of the serial buffer).
using BoardVisitor = std::function<BoardVerdict(const std::string& serialText)>;

// What a walk met besides the boards it handed over.
struct WalkNotes {
    // The device paths of the interfaces of the product that refused the open to this user (the
    // system told their vendor and product without an open), in the platform's order.
    std::vector<std::string> refusedBoardPaths;
};

// Walks the present HID interfaces in the platform's order, working on the walk fields of
// `state` (HandleSecurity, EnumerationEnded, InterfaceSet, InterfaceData, the detail buffer,
// DevicePath, DeviceHandle, DeviceAttributes, LastResult). An interface whose vendor and product
// the system tells (GetInterfaceIds) and that are not the product's is passed over unopened.
// Every handle it opens is closed once, except the one the visitor keeps, which is left in
// DeviceHandle with DevicePath its path. An interface that refuses the open is passed over
// without a close. Returns true when the visitor kept a board. `notes`, when given, tells what
// else the walk met.
bool WalkInterfaces(HidApi& hid, WindowState& state, const BoardVisitor& visitor,
                    WalkNotes* notes = nullptr);

// The device path of one interface of `set`, read as the walk reads it: a size query, then the
// detail record with its header in bytes 0 to 3 and the path from byte 4. Empty when the record
// cannot be read.
std::string InterfacePath(HidApi& hid, Handle set, const InterfaceData& data);

} // namespace tensilo::device
