// Drives the simulated boards' clock: in real time a ~10 ms timer moves it on by the real time
// that passed, so that streaming boards send an input report about every 10 ms; Advance moves it
// by hand, for a run in simulated time.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>

namespace tensilo::device::sim {
class SimulatedBoards;
}

namespace tensilo::demo {

class SimClock {
public:
    explicit SimClock(device::sim::SimulatedBoards& boards);

    // Follows real time from now on.
    void StartRealTime();
    void Advance(std::uint64_t milliseconds);

private:
    void CatchUp();

    device::sim::SimulatedBoards& boards_;
    QTimer timer_;
    QElapsedTimer elapsed_;
    std::int64_t followedMs_ = 0;
};

} // namespace tensilo::demo
