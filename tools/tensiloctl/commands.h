// tensiloctl's commands. Each prints what it found on standard output and what went wrong on
// standard error, and returns the exit status.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/console.h"

namespace tensilo::ctl {

int ListBoards(device::HidApi& hid, const Invocation& invocation, const Console& console);
int ShowBoard(device::HidApi& hid, const Invocation& invocation, const Console& console);
// set, defaults and load: the gains the command names, written to the board or boards.
int WriteGains(device::HidApi& hid, const Invocation& invocation, const Console& console);
int SaveSettings(device::HidApi& hid, const Invocation& invocation, const Console& console);
int PrintGains(const Console& console);
// test: each board's end-of-line test (board_test.h).
int TestBoards(device::HidApi& hid, const Invocation& invocation, const Console& console);

} // namespace tensilo::ctl
