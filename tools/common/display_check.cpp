#include "tools/common/display_check.h"

#include <cstdlib>
#include <iostream>

namespace tensilo::tools {

bool DisplayAvailable(std::string_view program) {
#if defined(__linux__)
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::cerr << program
                  << ": there is no display to show the window on; start it from a desktop session, "
                     "or under a virtual one with `xvfb-run "
                  << program << "`." << std::endl;
        return false;
    }
#else
    (void)program;
#endif
    return true;
}

} // namespace tensilo::tools
