// Makes random, reproducible sequences of scenario commands: a few boards with varied identities,
// lengths, registers and strings; then steps of plugging, failing and healing calls, input reports
// of random bytes and lengths, ticks, the user's choices and presses, closing, and each of these
// inside a yield of a tick. A step looks at the window and the boards as they are now, so that
// its commands are valid (an index the list holds) and likely to matter (reports for the open
// board), but it depends on nothing but the seed and the run so far.
#pragma once

#include "tests/model/model_checker.h"
#include "harness/scenario/scenario_run.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tensilo::model {

// SplitMix64: small, fast, and the same numbers on every platform and standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next();
    // 0 to bound - 1.
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
    bool Percent(std::uint32_t percent) { return Below(100) < percent; }

private:
    std::uint64_t state_;
};

class SequenceGenerator {
public:
    SequenceGenerator(std::uint64_t seed, const scenario::ScenarioRun& run,
                      const ModelChecker& checker);

    // The boards, what happens to them before the window starts, and `start`.
    std::vector<std::string> Prelude();
    // One step: one or more lines, after which the model checks the state.
    std::vector<std::string> Step();

private:
    struct BoardShape {
        std::string name;
        std::uint16_t inputLength = 7;
        std::uint16_t featureLength = 17;
    };

    std::string BoardLine(BoardShape& shape);
    std::string ReportLine(const BoardShape& board);
    std::string SettingsLine(const BoardShape& board);
    std::string TickLine();
    std::string ChooseGainLine();
    std::string ChooseSerialLine(bool atYield);
    // A command that may run inside a yield; empty when none of the kind fits now.
    std::string ActionLine(bool atYield);
    std::string AttachLine();
    std::string DetachLine();
    std::string FailLine();
    std::string HealLine();
    std::string Bytes(std::size_t count);

    // The board that has the window's two handles open, or a random one.
    const BoardShape& ReportTarget();
    const BoardShape& AnyBoard();

    Random random_;
    const scenario::ScenarioRun& run_;
    const ModelChecker& checker_;
    std::vector<BoardShape> boards_;
};

} // namespace tensilo::model
