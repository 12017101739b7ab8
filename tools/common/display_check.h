// Whether a window can be shown: on Linux without X11 or Wayland (and no platform chosen by hand)
// Qt would abort with a toolkit error, so the programs say what to do instead.
#pragma once

#include <string_view>

namespace tensilo::tools {

// Prints one sentence on standard error and returns false when there is no display.
bool DisplayAvailable(std::string_view program);

} // namespace tensilo::tools
