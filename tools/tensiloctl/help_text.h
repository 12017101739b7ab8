// What tensiloctl --help and tensiloctl help COMMAND print.
#pragma once

#include "tools/tensiloctl/command_line.h"

#include <optional>
#include <string>

namespace tensilo::ctl {

// The usage of every command, or with a topic the usage of that command alone.
std::string HelpText(std::optional<Command> topic = std::nullopt);

} // namespace tensilo::ctl
