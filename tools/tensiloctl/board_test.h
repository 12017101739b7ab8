// tensiloctl test: a board's end-of-line test, five checks in this order: identity (the
// product's IDs and its strings), reports (the lengths the window needs), settings (the
// settings report, its marker, a gain named by each channel's registers), stream (input reports
// over one second) and writes (each gain written and read back, then the original gains
// restored, under the board's write lock; only where the board's version allows it).
#pragma once

#include "tools/tensiloctl/board_session.h"
#include "tools/tensiloctl/console.h"

#include <string>
#include <vector>

namespace tensilo::ctl {

struct CheckResult {
    enum class Verdict { Pass, Fail, Skip };
    Verdict verdict = Verdict::Pass;
    std::string name;
    std::string detail;
};

// How long the stream check reads the board.
inline constexpr std::uint64_t kStreamCheckMs = 1000;

// The checks run on `board`, in order. A request to stop seen between checks ends the test
// early (`stopped`); the writes check holds any request until the original gains are restored.
struct BoardTestResult {
    std::vector<CheckResult> checks;
    bool stopped = false;

    int Failed() const;
};
BoardTestResult TestBoard(BoardSession& board, const Console& console);

} // namespace tensilo::ctl
