// The command that plugs a board of the system in or out for a scenario run over the platform's
// own boards: `COMMAND attach NAME` or `COMMAND detach NAME`, run to its end.
#pragma once

#include <string>
#include <string_view>

namespace tensilo::scenario {

// Runs `command` (a program, possibly followed by arguments of its own, split as a shell would
// split words and quotes) with `action` and `name` appended, and waits for it. Throws
// ScenarioError when the command cannot be run or exits with a status other than 0.
void RunPlugCommand(const std::string& command, std::string_view action, const std::string& name);

} // namespace tensilo::scenario
