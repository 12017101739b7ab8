#include "tools/demo/sim_clock.h"

#include "device/sim/simulated_boards.h"

namespace tensilo::demo {

SimClock::SimClock(device::sim::SimulatedBoards& boards) : boards_(boards) {}

void SimClock::StartRealTime() {
    boards_.FollowRealTime();
}

void SimClock::Advance(std::uint64_t milliseconds) {
    boards_.AdvanceClock(milliseconds);
}

} // namespace tensilo::demo
