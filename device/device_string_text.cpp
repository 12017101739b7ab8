#include "device/device_string_text.h"

#include "protocol/device_strings.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tensilo::device {

#ifdef _WIN32

std::string DeviceStringText(std::span<const std::uint8_t> buffer) {
    std::string text;
    for (const char narrow : protocol::LowBytes(buffer)) {
        wchar_t wide = 0;
        char utf8[4];
        int n = 0;
        if (MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &wide, 1) == 1)
            n = WideCharToMultiByte(CP_UTF8, 0, &wide, 1, utf8, sizeof utf8, nullptr, nullptr);
        if (n > 0)
            text.append(utf8, static_cast<std::size_t>(n));
        else
            text += '?';
    }
    return text;
}

#else

std::string DeviceStringText(std::span<const std::uint8_t> buffer) {
    return protocol::LowByteText(buffer);
}

#endif

} // namespace tensilo::device
