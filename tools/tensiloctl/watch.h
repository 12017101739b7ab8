// tensiloctl watch: every input report of a board, or with --all of every board, one line each,
// as it arrives.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/console.h"

namespace tensilo::ctl {

// Reads the boards' input reports on a thread of its own (watch_reading.h) until --count reports
// of each, --seconds, a request to stop (held meanwhile) or a reader of the output that has gone;
// meanwhile writes each row as the output takes it. Then kDone, with every report read written.
// A board that is lost (the others go on), one left out at the start, reports dropped because
// the output was not read fast enough, or an output that could not be written: a message and
// kBoardFault; with --all and no board to watch, kNoBoard.
int WatchBoards(device::HidApi& hid, const Invocation& invocation, const Console& console);

} // namespace tensilo::ctl
