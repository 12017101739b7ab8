// The rows a watch has read and not yet written, handed from the thread that reads the boards to
// the one that writes standard output, so that a reader of the output that stalls never stops
// the boards being read: their reports would otherwise be dropped by the system's buffer (64
// reports on Linux, 64 ms at 1 kHz). Bounded: past its capacity a row is dropped and counted.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace tensilo::ctl {

// One input report's values as a watch writes them, or the news that a board was lost.
struct WatchRow {
    std::uint64_t milliseconds = 0; // since the start, when its read returned
    std::uint16_t loadCell = 0;
    std::uint16_t pot1 = 0;
    std::uint16_t pot2 = 0;
    std::uint8_t board = 0; // the board's place among those watched (at most 64)
    bool boardLost = false; // no values: the board was lost here
};
static_assert(sizeof(WatchRow) == 16, "the queue's bound counts rows of 16 bytes");

class RowQueue {
public:
    explicit RowQueue(std::size_t capacityBytes);

    // Adds the rows of one wait, in order; those past the capacity are dropped and counted (the
    // news of a lost board is never dropped).
    void Push(const std::vector<WatchRow>& rows);
    // No more rows will come.
    void EndReading();
    // Waits for rows, or for the reading to end; moves every row waiting into `rows` (emptied
    // first). False once the reading has ended and every row has been taken.
    bool Take(std::vector<WatchRow>& rows);
    std::uint64_t Dropped() const;

private:
    const std::size_t capacityRows_;
    mutable std::mutex mutex_;
    std::condition_variable rowsOrEnd_;
    std::deque<WatchRow> rows_;
    std::uint64_t dropped_ = 0;
    bool ended_ = false;
};

} // namespace tensilo::ctl
