// The platform backend on Linux: hidraw over the system's own sysfs and device folder.
#include "device/hidraw/hidraw_hid_api.h"
#include "device/platform_backend.h"

namespace tensilo::device {

std::unique_ptr<HidApi> MakePlatformHidApi() {
    return std::make_unique<HidrawHidApi>("/sys", "/dev");
}

std::string_view PlatformBackendName() {
    return "hidraw";
}

} // namespace tensilo::device
