// One randomized model sequence: generated as scenario text and run line by line through the
// scenario runner against the real window and simulated boards, with the model's checks after
// every command. A failing sequence yields a scenario file that reproduces it under
// tensilo-scenario: exactly the lines that ran, then expect lines that fail on the fault.
#pragma once

#include "tests/model/model_checker.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::model {

struct SequenceOutcome {
    std::uint64_t seed = 0;
    int steps = 0;                 // steps run, the prelude not counted
    std::vector<std::string> lines; // every line run, in order; line n of the file is lines[n-1]
    std::vector<int> waitingLines;  // at-yield lines whose action never ran
    std::optional<Violation> violation;
    std::string finalOutput;        // what the closing lines printed
    CheckerCounts counts;


    bool Passed() const { return !violation; }
    // The scenario file that reproduces the sequence; for a failing one it ends in expect lines
    // that fail on the fault.
    std::string ScenarioText() const;
};

// Runs the sequence of `seed` for `steps` steps, stopping at the first fault; then, if it passed,
// the closing lines (such as `print state`), whose output is kept.
SequenceOutcome RunSequence(std::uint64_t seed, int steps,
                            const std::vector<std::string>& closingLines = {});

// Runs a whole scenario text through a fresh scenario runner, as tensilo-scenario does: the
// exit status it would give (0, 1 or 2) and what it prints.
struct ScenarioReplay {
    int status = 0;
    std::string output; // standard output
    std::string errors; // standard error
};
ScenarioReplay ReplayScenario(const std::string& fileName, const std::string& text);

} // namespace tensilo::model
