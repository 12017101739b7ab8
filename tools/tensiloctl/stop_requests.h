// Requests to stop (Ctrl-C, SIGTERM, a console that closes) and when they are honoured. A board is
// never left half-written: while a board is being written (and while a watch runs, whose end is
// a request to stop) a request waits, held, for the command to honour it at its next safe point.
// At any other moment it ends the program at once, as the shell expects: the file the program was
// making is removed, and the program ends by the signal itself (status 130 or 143).
#pragma once

#include <string>

namespace tensilo::ctl {

class StopRequests {
public:
    virtual ~StopRequests() = default;
    // The signal of the first request to stop that was held, 0 while none was.
    virtual int Signal() const = 0;
    // From Hold to the matching Release a request is held; holds nest.
    virtual void Hold() = 0;
    virtual void Release() = 0;
    // The file the program is making (a settings file's temporary twin), removed when a request
    // ends the program at once; an empty path: none any more.
    virtual void MakingFile(const std::string& path) = 0;
};

// Holds requests to stop for as long as it lives.
class HeldStops {
public:
    explicit HeldStops(StopRequests& stop) : stop_(stop) { stop_.Hold(); }
    ~HeldStops() { stop_.Release(); }
    HeldStops(const HeldStops&) = delete;
    HeldStops& operator=(const HeldStops&) = delete;

private:
    StopRequests& stop_;
};

// The exit status of a command that a request honoured late ended: the program then ends by
// that signal (the entry point's caller raises it again), or with this status where it cannot.
constexpr int StoppedBy(int signal) {
    return 128 + signal;
}
constexpr bool IsStopStatus(int status) {
    return status > 128;
}

} // namespace tensilo::ctl
