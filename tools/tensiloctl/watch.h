// tensiloctl watch: every input report of a board, one line each, as it arrives.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/console.h"

#include <cstdint>

namespace tensilo::ctl {

// The longest single wait for a report: how long a request to stop, or the end of the output,
// can go unnoticed by the thread that reads the board.
inline constexpr std::uint32_t kLongestWaitMs = 100;

// Reads the board's input reports on a thread of its own, with waiting reads, until --count
// reports, --seconds, a request to stop (held meanwhile) or a reader of the output that has
// gone; meanwhile writes each row as the output takes it. Then kDone, with every report read
// written. A board that is lost, reports dropped because the output was not read fast enough, or
// an output that could not be written: a message and kBoardFault.
int WatchBoard(device::HidApi& hid, const Invocation& invocation, const Console& console);

} // namespace tensilo::ctl
