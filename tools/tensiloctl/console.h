// What tensiloctl's commands talk through: the standard streams as the entry point was given
// them, the exit statuses, and the one form of its messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tensilo::ctl {

// The exit statuses; with --all, the largest of the boards' is the program's.
enum ExitStatus : int {
    kDone = 0,
    kBoardFault = 1, // a board refused, was lost, or holds something else after a write
    kBadInput = 2,   // a mistake on the command line or in a file: nothing was written
    kNoBoard = 3,    // no board, no board with the serial number asked for, or no access
};

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Set, from a signal handler or another thread, when the program is asked to stop.
    const std::atomic<bool>& stop;
    // Milliseconds on a clock that never goes back: what `watch` stamps its rows with.
    std::function<std::uint64_t()> milliseconds;
    // What a user can do about a board this user may not open (device::NoAccessHint), asked for
    // only when one is met: finding the udev rule looks at the file system.
    std::function<std::string()> accessHint;

    // One message on standard error: "tensiloctl: " and one sentence.
    void Say(std::string_view sentence) const;
    // The access hint, each of its lines as a message.
    void SayAccessHint() const;
};

} // namespace tensilo::ctl
