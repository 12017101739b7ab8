#include "tools/demo/sim_clock.h"

#include "device/sim/simulated_boards.h"

namespace tensilo::demo {

SimClock::SimClock(device::sim::SimulatedBoards& boards) : boards_(boards) {}

void SimClock::StartRealTime() {
    elapsed_.start();
    const std::uint64_t start = boards_.ClockMilliseconds();
    boards_.FollowClock([this, start] { return start + static_cast<std::uint64_t>(elapsed_.elapsed()); });
}

void SimClock::Advance(std::uint64_t milliseconds) {
    boards_.AdvanceClock(milliseconds);
}

} // namespace tensilo::demo
