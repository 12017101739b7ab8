// Drives the simulated boards' clock: in real time the boards follow the time passed since the
// start, catching up at each read, so that streaming boards send an input report about every
// 10 ms without a timer of their own; Advance moves it by hand, for a run in simulated time.
#pragma once

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
    device::sim::SimulatedBoards& boards_;
};

} // namespace tensilo::demo
