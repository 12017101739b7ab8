// The program's own standard output and requests to stop: descriptor 1 written directly, so that
// every failure keeps the system's reason (standard input is a FileInput of descriptor 0), and the
// signals (on Windows the console's control events) turned into StopRequests.
#pragma once

#include "tools/tensiloctl/standard_streams.h"
#include "tools/tensiloctl/stop_requests.h"

namespace tensilo::ctl {

class StandardOutput final : public OutputChannel {
protected:
    int Deliver(const char* data, std::size_t size) override;
};

// SIGINT and SIGTERM (Ctrl-C, Ctrl-Break and a closing console on Windows). A request not held
// ends the program from the handler; a held one is kept for Signal(). SIGINT that the shell had
// ignored (a background command) stays ignored; SIGPIPE is ignored, so that a reader that has
// gone shows as a failed write. One instance per program.
class ProgramStops final : public StopRequests {
public:
    ProgramStops();
    ~ProgramStops() override;
    int Signal() const override;
    void Hold() override;
    void Release() override;
    void MakingFile(const std::string& path) override;
};

// Ends the program as a request to stop would have at once, for a command that honoured one
// late (its status is StoppedBy): by the same signal, so that the shell sees it.
[[noreturn]] void EndByStop(int status);

} // namespace tensilo::ctl
