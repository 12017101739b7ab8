// tensiloctl test: each board's checks (board_test.h) as lines, `PASS  NAME  DETAIL`, then a
// verdict line; or with --json one object per board on a line of its own.
#include "tools/tensiloctl/commands.h"

#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/board_test.h"
#include "tools/tensiloctl/json_text.h"
#include "tools/tensiloctl/printable_text.h"

#include <ostream>

namespace tensilo::ctl {

namespace {

using Verdict = CheckResult::Verdict;

const char* VerdictWord(Verdict verdict) {
    switch (verdict) {
    case Verdict::Fail:
        return "FAIL";
    case Verdict::Skip:
        return "SKIP";
    case Verdict::Pass:
        break;
    }
    return "PASS";
}

std::string ResultWord(Verdict verdict) {
    std::string word = VerdictWord(verdict);
    for (char& c : word)
        c = static_cast<char>(c - 'A' + 'a');
    return word;
}

void PrintLines(const std::string& serial, const BoardTestResult& result, std::ostream& out) {
    for (const CheckResult& check : result.checks)
        out << VerdictWord(check.verdict) << "  " << check.name << "  " << Printable(check.detail)
            << '\n';
    if (result.stopped)
        return;
    out << Printable(serial) << ": ";
    if (result.Failed() == 0)
        out << "passed\n";
    else
        out << "failed (" << result.Failed() << " of " << result.checks.size() << " checks)\n";
}

// {"serial": ..., "passed": ..., "checks": [{"name": ..., "result": ..., "detail": ...}]}
void PrintJsonLine(const std::string& serial, const BoardTestResult& result, std::ostream& out) {
    out << "{\"serial\": " << JsonStringText(serial)
        << ", \"passed\": " << (result.Failed() == 0 && !result.stopped ? "true" : "false")
        << ", \"checks\": [";
    for (std::size_t i = 0; i < result.checks.size(); ++i) {
        const CheckResult& check = result.checks[i];
        out << (i == 0 ? "" : ", ") << "{\"name\": " << JsonStringText(check.name)
            << ", \"result\": " << JsonStringText(ResultWord(check.verdict))
            << ", \"detail\": " << JsonStringText(check.detail) << "}";
    }
    out << "]}\n";
}

int Test(BoardSession& board, bool json, const Console& console) {
    const BoardTestResult result = TestBoard(board, console);
    if (json)
        PrintJsonLine(board.Serial(), result, console.out);
    else
        PrintLines(board.Serial(), result, console.out);
    if (result.stopped) {
        console.Say(Printable(board.Serial()) + ": the test was stopped on request");
        return kBoardFault;
    }
    return result.Failed() == 0 ? kDone : kBoardFault;
}

} // namespace

int TestBoards(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const int status =
        ForEachBoard(hid, invocation.board, invocation.all, "untested", console,
                     [&](BoardSession& board) { return Test(board, invocation.json, console); });
    return console.FinishOutput(status);
}

} // namespace tensilo::ctl
