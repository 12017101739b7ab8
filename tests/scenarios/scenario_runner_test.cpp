// tensilo-scenario's own rules: exit statuses, where faults are reported, how values compare.
#include "harness/scenario/scenario_run.h"

#include "device/null_backend.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace tensilo::scenario {
namespace {

struct Outcome {
    RunResult result;
    std::string out;
    std::string err;
};

Outcome RunText(const std::string& text, std::optional<SystemBoards> system = std::nullopt) {
    std::ostringstream out, err;
    std::istringstream in(text);
    ScenarioRun run("t.scenario", out, err, system);
    const RunResult result = run.Run(in);
    return {result, out.str(), err.str()};
}

TEST(ScenarioRunner, ScenarioFaultsStopTheFileWithTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"start\nfrobnicate\nprint state\n", "t.scenario:2: unknown command: frobnicate"},
        {"board A\nattach B\n", "t.scenario:2: no board called B"},
        {"board A vid=0x10000\n", "t.scenario:1: vid: 0x10000 is larger than 65535"},
        {"board A colour=red\n", "t.scenario:1: unknown board key: colour"},
        {"board A registers=0F,01\n", "t.scenario:1: registers: give 9 hex bytes, comma-separated"},
        {"board A\nattach A\nreport A 0 12\n", "t.scenario:3: bytes are written as two hex digits each: 0"},
        {"board A\nfail A sing\n", "t.scenario:2: unknown call: sing"},
        {"board A\nattach A\nstart\nchoose LC_gain 2560\n", "t.scenario:4: choose: LC_gain holds no item 2560 (it has 2560)"},
        {"start\nstart\n", "t.scenario:2: the window is started once per file"},
        {"print window\n", "t.scenario:1: print window: the window is not started (use start)"},
        {"board A serial=\"open\n", "t.scenario:1: unterminated string"},
        {"start\nat-yield 4 tick\n", "t.scenario:2: at-yield: 4 is larger than 3"},
        {"start\nat-yield 1 print state\n", "t.scenario:2: at-yield: print cannot run inside a yield"},
        {"start\n\n# waits for a tick that never yields\nat-yield 2 close\ntick 3\n",
         "t.scenario:4: at-yield never ran: no tick reached that yield"},
        {"board A\nattach A\nstart\nat-yield 1 choose Pot1 9999\nreport A 00 00 00 00 00 00 00\ntick\nprint state\n",
         "t.scenario:4: choose: Pot1 holds no item 9999 (it has 2560)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Outcome outcome = RunText(c.text);
        EXPECT_EQ(outcome.result, RunResult::ScenarioFault);
        EXPECT_EQ(outcome.err, std::string(c.message) + "\n");
        EXPECT_EQ(outcome.out.find("state "), std::string::npos) << "the run stopped at the fault";
    }
}

TEST(ScenarioRunner, AFailedExpectationIsReportedAndTheRunGoesOn) {
    const Outcome outcome = RunText("board A\nattach A\nstart\n"
                                    "expect LC_gain.text \"499\"\n"
                                    "expect state.DeviceDetected no\n"
                                    "expect writes \"A 00\"\n"
                                    "expect A.open 2\n");
    EXPECT_EQ(outcome.result, RunResult::ExpectFailed);
    EXPECT_EQ(outcome.out, "t.scenario:4: expected LC_gain.text \"499\", got \"500\"\n"
                           "t.scenario:5: expected state.DeviceDetected no, got yes\n"
                           "t.scenario:6: expected writes \"A 00\", got none\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(ScenarioRunner, ValuesCompareAsPrinted) {
    const Outcome outcome = RunText("board A product=\"say \\\"hi\\\" \\\\ \\u00C4\"\nattach A\nstart\n"
                                    "expect lblProduct.caption \" say \\\"hi\\\" \\\\ \\u00C4\"\n"
                                    "expect lblProduct.caption \" say \\\"hi\\\" \\\\ Ä\"\n"
                                    "expect LC_gain.text 500\n"
                                    "expect LC_frame.fill 255,255,255\n"
                                    "expect frmMain.width 11430\n"
                                    "expect handles.events 1\n"
                                    "expect writes none\n"
                                    "print window\n");
    EXPECT_EQ(outcome.result, RunResult::Passed) << outcome.out;
    EXPECT_NE(outcome.out.find("lblProduct caption=\" say \\\"hi\\\" \\\\ Ä\" left=1560"), std::string::npos);
}

TEST(ScenarioRunner, UsersCannotActOnDisabledControlsNorAfterClosing) {
    const Outcome outcome = RunText("start\npress Command1\nchoose SerNo 0\nclose\npress Command1\n");
    EXPECT_EQ(outcome.result, RunResult::Passed);
    EXPECT_EQ(outcome.out, "# Command1 is disabled\n# SerNo is disabled\n# frmMain is closed\n");
}

TEST(ScenarioRunner, PrintsWritesOnceAndHandlesPerBoard) {
    const Outcome outcome = RunText("board A\nboard B\nattach A\nstart\nchoose Pot1 1\n"
                                    "print writes\nprint writes\nprint handles\n");
    EXPECT_EQ(outcome.result, RunResult::Passed);
    EXPECT_EQ(outcome.out, "A 00 01 02 08 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                           "A 00 01 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                           "A 00 01 07 01 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                           "writes none\n"
                           "A open=2\nB open=0\nhandles events=1 bad-closes=0\n");
}

// A gain whose lock another program holds costs the window the whole wait on the simulated clock:
// once per gain, three times for the defaults, and nothing when the lock is free.
TEST(ScenarioRunner, ABusyBoardMovesTheClockOnByTheWaitOfEachGain) {
    const struct {
        const char* steps;
        std::uint64_t clockMs;
    } rows[] = {
        {"choose LC_gain 0\n", 0},
        {"hold A\nchoose LC_gain 0\n", 2000},
        {"hold A\npress Command1\n", 6000},
        {"hold A\nrelease A\npress Command1\n", 0},
        {"hold A\nchoose Pot1 3\nrelease A\nchoose Pot1 3\nexpect Pot1.index 3\n", 2000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.steps);
        std::ostringstream out, err;
        std::istringstream in(std::string("board A registers=0C,00,0B,00,08,01,80,FF,10\n"
                                          "attach A\nstart\n") +
                              row.steps);
        ScenarioRun run("t.scenario", out, err);
        EXPECT_EQ(run.Run(in), RunResult::Passed) << out.str() << err.str();
        EXPECT_EQ(run.boards().ClockMilliseconds(), row.clockMs);
    }
}

// Runs over a system without boards, plugged by a script that logs what it is asked to do.
class SystemBoardsRun : public ::testing::Test {
protected:
    std::string LogPath() const { return folder_.filePath("plug.log").toStdString(); }
    SystemBoards WithPlug() {
        return {&hid_, "sh " TENSILO_PLUG_LOG_SCRIPT " " + LogPath()};
    }
    std::string Log() const {
        std::ifstream file(LogPath());
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    QTemporaryDir folder_;
    device::NullHidApi hid_;
};

TEST_F(SystemBoardsRun, WhatOnlySimulatedBoardsKnowIsAScenarioFault) {
    const char* const texts[] = {
        "board A\n",
        "start\nreport A 00 00 00 00 00 00 00\n",
        "settings A 00 EE\n",
        "fail A read\n",
        "heal A read\n",
        "start\nprint writes\n",
        "print handles\n",
        "start\nexpect writes none\n",
        "expect handles.events 0\n",
        "expect handles.bad-closes 0\n",
        "start\nexpect A.open 0\n",
        "start\nat-yield 1 fail A read\n",
        "hold A\n",
        "release A\n",
        "start\nat-yield 2 hold A\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const Outcome outcome = RunText(std::string("# over the system\n") + text, WithPlug());
        EXPECT_EQ(outcome.result, RunResult::ScenarioFault);
        const int line = static_cast<int>(std::count(text, text + std::strlen(text), '\n')) + 1;
        EXPECT_EQ(outcome.err,
                  "t.scenario:" + std::to_string(line) + ": not available with --system-boards\n");
    }
}

TEST_F(SystemBoardsRun, AttachAndDetachRunThePlugCommandAndStopWhenItFails) {
    Outcome outcome = RunText("attach A\nstart\nat-yield 1 detach B\ndetach A\nprint state\n",
                              WithPlug());
    // The at-yield detach waits for a tick that never yields: the window found no board.
    EXPECT_EQ(outcome.result, RunResult::ScenarioFault);
    EXPECT_EQ(outcome.err, "t.scenario:3: at-yield never ran: no tick reached that yield\n");
    EXPECT_EQ(Log(), "attach A\ndetach A\n");

    outcome = RunText("attach A\nattach stuck\nstart\n", WithPlug());
    EXPECT_EQ(outcome.result, RunResult::ScenarioFault);
    EXPECT_EQ(outcome.err, "t.scenario:2: attach stuck: the plug command exited with status 3\n");
    EXPECT_EQ(Log(), "attach A\ndetach A\nattach A\nattach stuck\n");

    outcome = RunText("attach A\n", SystemBoards{&hid_, ""});
    EXPECT_EQ(outcome.err, "t.scenario:1: attach: no plug command (give --plug COMMAND)\n");
    outcome = RunText("detach A\n", SystemBoards{&hid_, "/nonexistent/plug"});
    EXPECT_EQ(outcome.result, RunResult::ScenarioFault);
    EXPECT_EQ(outcome.err.rfind("t.scenario:1: detach A: cannot run the plug command /nonexistent/plug", 0), 0u)
        << outcome.err;
}

TEST_F(SystemBoardsRun, WithoutABoardTheWindowShowsNoneAndWaitLetsTimePass) {
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = RunText("start\nwait 120\ntick 3\n"
                                    "expect SerNo.items 0\nexpect state.DeviceDetected no\n"
                                    "expect Timer.interval 50\nexpect Timer.enabled yes\n",
                                    WithPlug());
    EXPECT_EQ(outcome.result, RunResult::Passed) << outcome.out << outcome.err;
    EXPECT_GE(clock.elapsed(), 120);
    // Simulated time passes only by tick.
    EXPECT_EQ(RunText("wait 10\n").err,
              "t.scenario:1: wait: only with --system-boards (simulated time passes by tick)\n");
}

} // namespace
} // namespace tensilo::scenario
