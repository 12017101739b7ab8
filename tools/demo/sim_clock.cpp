#include "tools/demo/sim_clock.h"

#include "device/sim/simulated_boards.h"

namespace tensilo::demo {

SimClock::SimClock(device::sim::SimulatedBoards& boards) : boards_(boards) {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { CatchUp(); });
}

void SimClock::StartRealTime() {
    elapsed_.start();
    followedMs_ = 0;
    timer_.start();
}

void SimClock::Advance(std::uint64_t milliseconds) {
    boards_.AdvanceClock(milliseconds);
}

void SimClock::CatchUp() {
    // Moved on by the whole real time passed, so that a late timer loses no reports.
    const std::int64_t now = elapsed_.elapsed();
    if (now > followedMs_)
        Advance(static_cast<std::uint64_t>(now - followedMs_));
    followedMs_ = now;
}

} // namespace tensilo::demo
