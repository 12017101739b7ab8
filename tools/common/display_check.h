// Whether a window can be shown: on Linux without a display for the platform chosen (X11 or
// Wayland, or none chosen) Qt would abort with a toolkit error, so the programs say what to do
// instead. A platform that needs no display (offscreen, minimal, vnc, ...) always passes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tensilo::tools {

// `platform`: the platform chosen on the command line (-platform), which wins over
// QT_QPA_PLATFORM, as it does in Qt. Prints one sentence on standard error and returns false
// when there is no display for it.
bool DisplayAvailable(std::string_view program, const std::optional<std::string>& platform);

} // namespace tensilo::tools
