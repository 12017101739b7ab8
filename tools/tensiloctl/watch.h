// tensiloctl watch: every input report of a board, one line each, as it arrives.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/console.h"

#include <cstdint>

namespace tensilo::ctl {

// The longest single wait for a report: how long a request to stop, which a signal may deliver
// just before a wait begins, can go unnoticed.
inline constexpr std::uint32_t kLongestWaitMs = 100;

// Reads the board's input reports with waiting reads until --count reports, --seconds or a
// request to stop (console.stop), or until standard output can no longer be written; then
// kDone, with every report read printed. A board that is lost meanwhile ends it with the rows so
// far and kBoardFault.
int WatchBoard(device::HidApi& hid, const Invocation& invocation, const Console& console);

} // namespace tensilo::ctl
