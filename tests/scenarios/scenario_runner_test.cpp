// tensilo-scenario's own rules: exit statuses, where faults are reported, how values compare.
#include "tools/scenario/scenario_run.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tensilo::scenario {
namespace {

struct Outcome {
    RunResult result;
    std::string out;
    std::string err;
};

Outcome RunText(const std::string& text) {
    std::ostringstream out, err;
    std::istringstream in(text);
    ScenarioRun run("t.scenario", out, err);
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

} // namespace
} // namespace tensilo::scenario
