#include "tests/model/model_sequence.h"

#include "tests/model/sequence_generator.h"
#include "harness/scenario/scenario_run.h"

#include <algorithm>
#include <sstream>

namespace tensilo::model {

std::string SequenceOutcome::ScenarioText() const {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        // An action still waiting for its tick when the sequence ended did nothing; left in, it
        // would make the file end in a scenario error. A comment keeps the line numbers.
        if (std::find(waitingLines.begin(), waitingLines.end(), lineNumber) != waitingLines.end())
            text += "# (never ran) ";
        text += lines[i] + "\n";
    }
    if (violation) {
        text += "# The model test found at line " + std::to_string(violation->line) + ": " +
                violation->message + "\n";
        for (const std::string& expect : violation->expects)
            text += expect + "\n";
    }
    return text;
}

SequenceOutcome RunSequence(std::uint64_t seed, int steps,
                            const std::vector<std::string>& closingLines) {
    SequenceOutcome outcome;
    outcome.seed = seed;
    std::ostringstream out, err;
    const std::string fileName = "model-seed-" + std::to_string(seed) + ".scenario";
    scenario::ScenarioRun run(fileName, out, err);
    ModelChecker checker(run);
    run.SetCommandObserver([&checker](const std::vector<scenario::Token>& words, int line, bool done) {
        checker.OnCommand(words, line, done);
    });
    SequenceGenerator generator(seed, run, checker);

    // Runs the lines of one step; false once the sequence has failed.
    const auto runStep = [&](const std::vector<std::string>& stepLines) {
        for (const std::string& line : stepLines) {
            outcome.lines.push_back(line);
            const int lineNumber = static_cast<int>(outcome.lines.size());
            if (run.RunLine(line, lineNumber) == scenario::RunResult::ScenarioFault) {
                outcome.violation = Violation{lineNumber, "scenario fault: " + err.str(), {}};
                return false;
            }
            if (checker.violation())
                break;
        }
        checker.CheckStep(static_cast<int>(outcome.lines.size()));
        if (checker.violation()) {
            outcome.violation = checker.violation();
            return false;
        }
        return true;
    };

    outcome.lines.push_back("# Randomized model sequence, seed " + std::to_string(seed) + ", " +
                            std::to_string(steps) + " steps after start.");
    bool going = runStep(generator.Prelude());
    // A few steps after the window has closed show that nothing happens any more; more would
    // only repeat that.
    int stepsAfterClose = 0;
    while (going && outcome.steps < steps && stepsAfterClose < 3) {
        ++outcome.steps;
        if (run.window() && run.window()->closed())
            ++stepsAfterClose;
        out.str({}); // what the run prints ("# SerNo is disabled") is not looked at
        going = runStep(generator.Step());
    }
    if (going && !closingLines.empty()) {
        out.str({});
        going = runStep(closingLines);
        outcome.finalOutput = out.str();
    }
    outcome.waitingLines = run.WaitingLines();
    outcome.counts = checker.counts();
    return outcome;
}

ScenarioReplay ReplayScenario(const std::string& fileName, const std::string& text) {
    std::ostringstream out, err;
    std::istringstream in(text);
    int status = 0;
    {
        scenario::ScenarioRun run(fileName, out, err);
        status = static_cast<int>(run.Run(in));
    }
    return {status, out.str(), err.str()};
}

} // namespace tensilo::model
