// The soak run: one million ticks of the real window against simulated boards, with input
// reports on nearly every tick, the user's gain choices, boards switched in SerNo, and rare
// unplugs, failed reads and empty reads that make the window lose and find its board again.
// Checked: the open board's handles match DeviceDetected all along, every allowed gain choice
// reaches the board as its three register writes, every handle is closed after the window
// closes, and the resident memory hardly grows once the run has settled.
//
// TENSILO_SOAK_TICKS sets the number of ticks. Under the sanitizers the run is shorter and its
// memory is not judged: AddressSanitizer holds freed memory back on purpose.
#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"


#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#endif

namespace {

using tensilo::kTrue;
using tensilo::app::FrmMain;
using tensilo::app::TimerControl;
using tensilo::device::sim::BoardId;
using tensilo::device::sim::SaneBoard;
using tensilo::device::sim::SimCall;
using tensilo::device::sim::SimulatedBoards;

#ifdef TENSILO_SANITIZED
constexpr std::uint64_t kDefaultTicks = 300'000;
constexpr bool kJudgeMemory = false;
#else
constexpr std::uint64_t kDefaultTicks = 1'000'000;
constexpr bool kJudgeMemory = true;
#endif
constexpr std::uint64_t kSettledTick = 100'000;
constexpr long kAllowedGrowthKb = 1024;

// Resident memory of this process, in kB; -1 when the system does not tell.
long ResidentKb() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<long>(counters.WorkingSetSize / 1024);
#else
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
#endif
}

// SplitMix64, so that a run is the same on every platform.
struct Random {
    std::uint64_t state;
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
};

std::uint64_t Ticks() {
    if (const char* text = std::getenv("TENSILO_SOAK_TICKS"))
        return std::strtoull(text, nullptr, 10);
    return kDefaultTicks;
}

TEST(SoakTest, MillionTicksWithUnplugsAndGainChoices) {
    SimulatedBoards boards;
    const BoardId boardA = boards.DefineBoard(SaneBoard("A"));
    const BoardId boardB = boards.DefineBoard(SaneBoard("B"));
    boards.Attach(boardA);
    boards.Attach(boardB);
    // Unplugged at: the tick it comes back, 0 while plugged in.
    std::uint64_t replugAt[2] = {0, 0};

    // The default yield: pending window events (the bars' repaints among them) really run.
    auto window = std::make_unique<FrmMain>(boards, TimerControl::Mode::Manual);
    window->Form_Load();

    Random random{20240601};
    const std::uint64_t ticks = Ticks();
    std::uint64_t unplugs = 0, failedReads = 0, emptyReads = 0, gainChoices = 0, serialChoices = 0,
                  reopenings = 0, writesExpected = 0;
    long settledKb = -1;
    std::string residentSeries; // kB at every 100,000th tick
    std::uint8_t report[7] = {0};
    const auto started = std::chrono::steady_clock::now();

    for (std::uint64_t tick = 1; tick <= ticks; ++tick) {
        for (const BoardId board : {boardA, boardB}) {
            if (replugAt[board] == tick) {
                boards.Attach(board);
                replugAt[board] = 0;
            }
        }
        const bool wasOpen = window->state().DeviceDetected == kTrue;
        const auto handleBefore = window->state().DeviceHandle;
        const BoardId open = boards.OpenHandles(boardA) == 2 ? boardA : boardB;

        // What the board has sent since the last tick: nearly always one report or a few.
        if (random.OneIn(20'000)) {
            ++emptyReads; // nothing waiting: the window closes and reopens the board
        } else {
            for (std::uint32_t n = 1 + (random.OneIn(50) ? random.Below(4) : 0); n > 0; --n) {
                for (std::size_t i = 1; i < sizeof report; ++i)
                    report[i] = static_cast<std::uint8_t>(random.Below(256));
                boards.QueueReport(open, report);
            }
        }
        if (random.OneIn(40'000)) {
            ++failedReads;
            boards.SetFailing(open, SimCall::Read, true);
        }
        if (random.OneIn(25'000) && boards.IsAttached(open)) {
            ++unplugs;
            boards.Detach(open);
            replugAt[open] = tick + 1 + random.Below(2'000);
        }

        window->Timer.fire();
        boards.SetFailing(open, SimCall::Read, false);
        if (!wasOpen || window->state().DeviceHandle != handleBefore)
            reopenings += window->state().DeviceDetected == kTrue ? 1 : 0;

        // The user now and then.
        const auto& state = window->state();
        const bool writable = state.GainListsReady == kTrue && state.DeviceConfigurable == kTrue &&
                              state.DeviceDetected == kTrue && state.SettingsLoaded == kTrue;
        if (random.OneIn(500) && window->LC_gain.reachable()) {
            ++gainChoices;
            tensilo::app::ListControl* lists[] = {&window->LC_gain, &window->Pot1, &window->Pot2};
            lists[random.Below(3)]->choose(static_cast<int>(random.Below(2560)));
            if (writable)
                writesExpected += 3;
        }
        if (random.OneIn(10'000) && window->SerNo.reachable()) {
            ++serialChoices;
            window->SerNo.choose(static_cast<int>(random.Below(static_cast<std::uint32_t>(window->SerNo.count()))));
        }

        if (tick % 1'000 == 0) {
            const bool detected = window->state().DeviceDetected == kTrue;
            ASSERT_EQ(boards.TotalOpenHandles(), detected ? 2 : 0) << "at tick " << tick;
            ASSERT_EQ(boards.BadCloses(), 0) << "at tick " << tick;
            ASSERT_EQ(boards.TakenWrites().size(), writesExpected) << "at tick " << tick;
        }
        if (tick % kSettledTick == 0) {
            residentSeries += " " + std::to_string(ResidentKb());
            if (tick == kSettledTick)
                settledKb = ResidentKb();
        }
    }
    const long finalKb = ResidentKb();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    window->close();
    EXPECT_TRUE(window->closed());
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
    EXPECT_EQ(boards.BadCloses(), 0);
    EXPECT_LE(boards.EventsCreated(), 1);
    EXPECT_EQ(boards.TakenWrites().size(), writesExpected);
    window.reset();

    std::cout << "soak: " << ticks << " ticks in " << seconds << " s; " << unplugs << " unplugs, "
              << failedReads << " failed reads, " << emptyReads << " empty reads, " << reopenings
              << " ticks that opened a board, " << gainChoices << " gain choices ("
              << writesExpected << " register writes), " << serialChoices << " SerNo choices"
              << std::endl;
    if (!kJudgeMemory) {
        std::cout << "soak: a shorter run under the sanitizers (" << ticks
                  << " ticks); resident memory is not judged there" << std::endl;
        return;
    }
    if (settledKb < 0 || finalKb < 0) {
        ADD_FAILURE() << "soak: this system does not tell the process's resident memory, so its "
                         "growth cannot be judged";
        return;
    }
    if (ticks < 2 * kSettledTick) {
        std::cout << "soak: too short a run to judge memory" << std::endl;
        return;
    }
    std::cout << "soak: resident memory " << settledKb << " kB at tick " << kSettledTick << ", "
              << finalKb << " kB at tick " << ticks << " (" << finalKb - settledKb << " kB growth)"
              << "; at every 100,000th tick:" << residentSeries << " kB" << std::endl;
    EXPECT_LT(finalKb - settledKb, kAllowedGrowthKb);
}

} // namespace
