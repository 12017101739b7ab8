// The HID backend of the platform the program was built for: Win32 on Windows, hidraw on Linux,
// and elsewhere an empty one that finds no board. Defined once per backend folder; CMake links the
// one that fits.
#pragma once

#include "device/hid_api.h"

#include <memory>
#include <string_view>

namespace tensilo::device {

std::unique_ptr<HidApi> MakePlatformHidApi();

// A short name of the backend, for diagnostics ("win32", "hidraw", "none").
std::string_view PlatformBackendName();

} // namespace tensilo::device
