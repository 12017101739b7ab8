// The window-state record: the one record of the program's window, zero-filled when the window is
// created and alive until the program ends. It holds the open board's handles and capabilities,
// the read channel, the result of the last platform call, the status flags, and the working fields
// of the interface walk. It lives below the window so that the procedures that need no window (the
// walk, the capabilities, the read channel) can work on it without seeing the window toolkit.
#pragma once

#include "device/hid_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tensilo {

// The window state's Booleans are 16-bit: true is -1, false 0; guards test for exactly true.
using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

struct WindowState {
    device::HidCaps Capabilities;
    std::int32_t DetailBufferLength = 0;
    std::vector<std::uint8_t> DetailBuffer;
    device::Attributes DeviceAttributes;
    std::string DevicePath;
    device::Handle InterfaceSet = device::kNoHandle;
    device::Handle ReadEvent = device::kNoHandle;
    device::Handle DeviceHandle = device::kNoHandle;
    device::Overlapped ReadOverlapped;
    Flag EnumerationEnded = kFalse;
    Flag DeviceDetected = kFalse;
    std::uint32_t DetailHeader = 0;
    device::InterfaceData InterfaceData;
    std::int32_t DetailRequiredSize = 0;
    device::PreparsedData PreparsedData = 0;
    device::Handle ReadHandle = device::kNoHandle;
    std::int32_t LastResult = 0;
    device::SecurityAttributes HandleSecurity;
    Flag SettingsLoaded = kFalse;
    Flag DeviceChanged = kFalse;
    Flag GainListsReady = kFalse;
    Flag DeviceConfigurable = kFalse;
};

} // namespace tensilo
