// tensiloctl's one entry point, over whatever HID backend it is given: the platform's, the demo's
// simulated boards, or a test's.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/console.h"

#include <string>
#include <vector>

namespace tensilo::ctl {

// Runs the command line `arguments` (what follows the program's name, UTF-8) over `hid` and
// returns the exit status. --demo is the caller's to honour, by the backend it passes (see
// WantsDemoBoards); --verbose is honoured here: every failed platform call is written on
// standard error, as `tensilo-config --verbose` writes them.
int Run(const std::vector<std::string>& arguments, device::HidApi& hid, const Console& console);

// Whether the command line asks for the demo's simulated boards.
bool WantsDemoBoards(const std::vector<std::string>& arguments);

} // namespace tensilo::ctl
