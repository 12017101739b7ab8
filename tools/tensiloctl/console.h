// What tensiloctl's commands talk through: the standard streams as the entry point was given
// them, requests to stop, the clock, the exit statuses, and the one form of its messages.
#pragma once

#include "tools/tensiloctl/standard_streams.h"
#include "tools/tensiloctl/stop_requests.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tensilo::ctl {

// The exit statuses; with --all, the largest of the boards' is the program's.
enum ExitStatus : int {
    kDone = 0,
    kBoardFault = 1, // a board refused, was busy or lost, holds something else after a write; or
                     // standard output could not be written
    kBadInput = 2,   // a mistake on the command line or in a file: nothing was written
    kNoBoard = 3,    // no board, no board with the serial number asked for, or no access
};

// How much memory a watch may hold of rows read and not yet written, before it drops reports: 64
// MiB, more than an hour of one board reporting every millisecond.
inline constexpr std::size_t kWatchQueueBytes = 64u << 20;

struct Console {
    InputChannel& in;
    // Standard output: `out` writes through `output`, which keeps why a write failed.
    std::ostream& out;
    const OutputChannel& output;
    std::ostream& err;
    StopRequests& stop;
    // Milliseconds on a clock that never goes back: what `watch` stamps its rows with.
    std::function<std::uint64_t()> milliseconds;
    // What a user can do about a board this user may not open (device::NoAccessHint), asked for
    // only when one is met: finding the udev rule looks at the file system.
    std::function<std::string()> accessHint;
    std::size_t watchQueueBytes = kWatchQueueBytes;

    // One message on standard error: "tensiloctl: " and one sentence.
    void Say(std::string_view sentence) const;
    // The access hint, each of its lines as a message.
    void SayAccessHint() const;
    // Flushes standard output and returns `status`, or, when the output could not all be
    // written for another reason than a reader that has gone, says why and returns at least
    // kBoardFault.
    int FinishOutput(int status) const;
};

} // namespace tensilo::ctl
