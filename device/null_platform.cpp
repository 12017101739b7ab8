// Platform backend for systems without a HID backend of their own.
#include "device/null_backend.h"
#include "device/platform_backend.h"

namespace tensilo::device {

std::unique_ptr<HidApi> MakePlatformHidApi() {
    return std::make_unique<NullHidApi>();
}

std::string_view PlatformBackendName() {
    return "none";
}

} // namespace tensilo::device
