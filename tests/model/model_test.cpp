// The randomized model test: seeded sequences of scenario commands against the real window and
// simulated boards, checked after every command (see model_checker.h).
//
//   tensilo_model_test [--first-seed=N] [--sequences=N] [--steps=N] [gtest options]
//   tensilo_model_test --show=SEED [--steps=N]   prints the scenario file of one sequence
//
// The environment overrides the arguments, for a longer run without touching the tests:
// TENSILO_MODEL_SEQUENCES (how many sequences), TENSILO_MODEL_STEPS (steps in each) and
// TENSILO_MODEL_SEED (the first seed). A failing sequence is printed as a scenario file and saved
// as model-failure-seed-N.scenario in the working folder; `tensilo-scenario FILE` reproduces it.
#include "tests/model/model_sequence.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <iostream>
#include <string>

namespace {

struct Settings {
    std::uint64_t firstSeed = 1;
    std::uint64_t sequences = 100;
    int steps = 60;
    std::optional<std::uint64_t> show;
};
Settings settings;

std::uint64_t NumberFrom(const char* text, const char* what) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 0);
    if (!text[0] || *end) {
        std::cerr << "model test: not a number for " << what << ": " << text << std::endl;
        std::exit(2);
    }
    return value;
}

void ReadSettings(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](const char* name) -> const char* {
            const std::string prefix = std::string("--") + name + "=";
            return arg.rfind(prefix, 0) == 0 ? argv[i] + prefix.size() : nullptr;
        };
        if (const char* v = value("first-seed"))
            settings.firstSeed = NumberFrom(v, "--first-seed");
        else if (const char* v = value("sequences"))
            settings.sequences = NumberFrom(v, "--sequences");
        else if (const char* v = value("show"))
            settings.show = NumberFrom(v, "--show");
        else if (const char* v = value("steps"))
            settings.steps = static_cast<int>(NumberFrom(v, "--steps"));
        else {
            std::cerr << "model test: unknown argument " << arg << std::endl;
            std::exit(2);
        }
    }
    if (const char* v = std::getenv("TENSILO_MODEL_SEQUENCES"))
        settings.sequences = NumberFrom(v, "TENSILO_MODEL_SEQUENCES");
    if (const char* v = std::getenv("TENSILO_MODEL_STEPS"))
        settings.steps = static_cast<int>(NumberFrom(v, "TENSILO_MODEL_STEPS"));
    if (const char* v = std::getenv("TENSILO_MODEL_SEED"))
        settings.firstSeed = NumberFrom(v, "TENSILO_MODEL_SEED");
}

// Prints the failing sequence, saves it, and runs the saved text once more as tensilo-scenario
// would, to show that the file reproduces the fault.
std::string Report(const tensilo::model::SequenceOutcome& outcome) {
    const std::string text = outcome.ScenarioText();
    const std::string fileName = "model-failure-seed-" + std::to_string(outcome.seed) + ".scenario";
    std::ofstream(fileName) << text;
    const auto replay = tensilo::model::ReplayScenario(fileName, text);
    return "sequence of seed " + std::to_string(outcome.seed) + " failed after " +
           std::to_string(outcome.steps) + " step(s): " + outcome.violation->message +
           "\n--- reproduction, saved as " +
           std::filesystem::absolute(fileName).string() + " ---\n" + text +
           "--- tensilo-scenario on it: exit status " + std::to_string(replay.status) + " ---\n" +
           replay.output + replay.errors;
}

// Every sequence keeps the model; the first faults are printed as scenario files.
TEST(ModelTest, RandomSequencesKeepTheModel) {
    const auto started = std::chrono::steady_clock::now();
    std::uint64_t steps = 0, lines = 0, failures = 0;
    tensilo::model::CheckerCounts counts;
    for (std::uint64_t i = 0; i < settings.sequences; ++i) {
        const auto outcome = tensilo::model::RunSequence(settings.firstSeed + i, settings.steps);
        // Nothing runs the event loop inside a scenario; let the windows' posted events (their
        // deferred deletions among them) go between sequences.
        QCoreApplication::sendPostedEvents(nullptr, 0);
        QCoreApplication::processEvents();
        steps += static_cast<std::uint64_t>(outcome.steps);
        lines += outcome.lines.size();
        counts += outcome.counts;
        if (!outcome.Passed()) {
            ADD_FAILURE() << Report(outcome);
            if (++failures == 3)
                break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "model: " << settings.sequences << " sequences (seeds " << settings.firstSeed
              << " to " << settings.firstSeed + settings.sequences - 1 << "), " << steps
              << " steps, " << lines << " scenario lines, " << failures << " failing, in "
              << seconds << " s\nmodel: " << counts.commands << " commands checked, "
              << counts.commandsInYields << " of them inside a yield; " << counts.userActions
              << " choices and presses, " << counts.writingActions << " of which wrote "
              << counts.writesChecked << " register writes, each checked" << std::endl;
}

// The printed scenario is exactly what ran: run as one file, it leaves the window and the boards
// as the step-by-step run left them.
TEST(ModelTest, ScenarioTextReplaysTheSameRun) {
    const std::vector<std::string> closing = {"print window", "print state", "print handles",
                                              "print writes"};
    for (std::uint64_t seed = settings.firstSeed; seed < settings.firstSeed + 10; ++seed) {
        const auto outcome = tensilo::model::RunSequence(seed, settings.steps, closing);
        if (!outcome.Passed())
            continue; // reported by the test above
        const auto replay = tensilo::model::ReplayScenario("replay.scenario", outcome.ScenarioText());
        EXPECT_EQ(replay.status, 0) << replay.errors;
        ASSERT_GE(replay.output.size(), outcome.finalOutput.size());
        EXPECT_EQ(replay.output.substr(replay.output.size() - outcome.finalOutput.size()),
                  outcome.finalOutput)
            << "seed " << seed << ":\n" << outcome.ScenarioText();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // As tensilo-scenario does, so that a saved sequence means the same there.
    QLocale::setDefault(QLocale::c());
    testing::InitGoogleTest(&argc, argv);
    ReadSettings(argc, argv);
    if (settings.show) {
        const auto outcome = tensilo::model::RunSequence(*settings.show, settings.steps);
        std::cout << outcome.ScenarioText();
        return outcome.Passed() ? 0 : 1;
    }
    return RUN_ALL_TESTS();
}
