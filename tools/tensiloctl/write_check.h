// The writes check of a board's test: for each channel a gain other than the one it holds (a
// neighbouring item) is written and read back, then every original gain is written back and read
// back. The original gains are restored on every path that can restore them: a refusal, a
// mismatch, a request to stop (held until the restore is done). The writes hold the board's
// write lock.
#pragma once

#include "tools/tensiloctl/board_session.h"
#include "tools/tensiloctl/board_test.h"
#include "tools/tensiloctl/console.h"

namespace tensilo::ctl {

CheckResult CheckWrites(BoardSession& board, const Console& console);

} // namespace tensilo::ctl
