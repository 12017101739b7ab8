// The reading side of a watch: one thread that waits on every watched board's input reports at
// once (HidApi::ReadFilesWithTimeout) and hands each read's rows, in the order the reads
// returned, to the writing side through a RowQueue. One thread for all boards keeps the order of
// rows the order of reads, costs one wake-up for many boards, and keeps the boards' backend to
// one thread.
#pragma once

#include "tools/tensiloctl/board_session.h"
#include "tools/tensiloctl/console.h"
#include "tools/tensiloctl/row_queue.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace tensilo::ctl {

// The longest single wait for a report: how long a request to stop, or the end of the output,
// can go unnoticed by the thread that reads the boards.
inline constexpr std::uint32_t kLongestWaitMs = 100;

// What ends the reading, besides the boards.
struct ReadingLimits {
    std::optional<std::uint64_t> count; // rows of each board
    std::optional<std::uint64_t> timeLimitMs;
};

// Reads `boards` (each holding input reports of at least the three values) until each has given
// `count` rows or was lost, the time limit, a request to stop, or `stopReading`; then ends the
// queue's reading. Rows carry the board's place in `boards`; a lost board is told by a row of its
// own.
void ReadBoards(const std::vector<BoardSession*>& boards, const ReadingLimits& limits,
                const Console& console, const std::atomic<bool>& stopReading, RowQueue& queue);

} // namespace tensilo::ctl
