// Vendor and product IDs as Windows writes them into a USB device's hardware IDs and interface
// paths: "HID\VID_1209&PID_7E51&REV_0101", "\\?\hid#vid_1209&pid_7e51#7&2f1b3c&0&0000#{...}".
// Other buses write theirs otherwise (Bluetooth "HID\{00001124-...}_VID&0002045e_PID&0916", I2C
// "HID\VEN_ELAN&DEV_..."), and such text tells none: the interface must then be opened to learn
// them. Plain text handling, so that it is checked on every platform.
#pragma once

#include "device/hid_api.h"

#include <optional>
#include <string_view>

namespace tensilo::device {

// The vendor and product that `text` names as VID_xxxx and PID_xxxx (any case), each key at the
// start or after a separator and followed by exactly four hex digits; none unless both are there.
std::optional<InterfaceIds> UsbIdsIn(std::string_view text);

} // namespace tensilo::device
