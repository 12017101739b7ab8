#include "tools/common/display_check.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace tensilo::tools {

namespace {

[[maybe_unused]] bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Whether one platform of a list such as "wayland;xcb" or "offscreen:configfile=..." can start.
[[maybe_unused]] bool CanStart(std::string_view platforms) {
    while (!platforms.empty()) {
        const std::string_view entry = platforms.substr(0, platforms.find(';'));
        platforms.remove_prefix(std::min(platforms.size(), entry.size() + 1));
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (name == "xcb"                 ? Set("DISPLAY")
            : name.starts_with("wayland") ? Set("WAYLAND_DISPLAY")
                                          : !name.empty())
            return true;
    }
    return false;
}

} // namespace

bool DisplayAvailable(std::string_view program, const std::optional<std::string>& platform) {
#if defined(__linux__)
    const char* environment = std::getenv("QT_QPA_PLATFORM");
    const std::string chosen = platform ? *platform : environment ? environment : "";
    const bool available =
        chosen.empty() ? Set("DISPLAY") || Set("WAYLAND_DISPLAY") : CanStart(chosen);
    if (!available) {
        std::cerr
            << program
            << ": there is no display to show the window on; start it from a desktop session, "
               "or under a virtual one with `xvfb-run "
            << program << "`." << std::endl;
        return false;
    }
#else
    (void)program;
    (void)platform;
#endif
    return true;
}

} // namespace tensilo::tools
