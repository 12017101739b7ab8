// The simulated boards' input reports: the queue each board hands out, the reports a streaming
// board makes as its clock moves on, and the reads that wait for them, on one board or on several.
#include "device/sim/simulated_boards.h"

#include <algorithm>
#include <array>

namespace tensilo::device::sim {

namespace {

// A streaming board keeps at most this many reports waiting, like a bounded system queue.
constexpr std::size_t kStreamingQueueLimit = 256;

} // namespace

std::vector<std::uint8_t> SimulatedBoards::StreamingReport(Board& board) {
    std::array<std::uint8_t, 9> registers{};
    for (std::size_t r = 0; r < registers.size() && 3 + r < board.settings.size(); ++r)
        registers[r] = board.settings[3 + r];
    const auto values = board.signal.Sample(board.lastReportMs, registers);
    std::vector<std::uint8_t> report(std::max<std::size_t>(board.config.inputLength, 7), 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        report[1 + 2 * i] = static_cast<std::uint8_t>(values[i] & 0xFF);
        report[2 + 2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
    }
    return report;
}

void SimulatedBoards::MakeStreamingReports(Board& board) {
    if (!board.streaming)
        return;
    while (board.lastReportMs + board.streamingPeriodMs <= clockMs_) {
        board.lastReportMs += board.streamingPeriodMs;
        if (board.queue.size() >= kStreamingQueueLimit)
            board.queue.pop_front();
        board.queue.push_back({StreamingReport(board)});
    }
}

std::optional<std::uint64_t> SimulatedBoards::NextReportMs(const Board& board) const {
    if (!board.streaming)
        return std::nullopt;
    return board.lastReportMs + board.streamingPeriodMs;
}

std::int32_t SimulatedBoards::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                                       std::uint32_t& bytesRead, Overlapped&) {
    bytesRead = 0;
    Board* board = LiveBoard(device, SimCall::Read);
    if (!board)
        return 0;
    CatchUpClock();
    MakeStreamingReports(*board);
    if (board->queue.empty())
        return Fail("no input report is waiting", SystemFailure::Kind::NothingWaiting);
    return TakeQueuedReports(*board, buffer, bytesRead);
}

std::int32_t SimulatedBoards::ReadFilesWithTimeout(std::span<InputRead> reads,
                                                   std::uint32_t timeoutMilliseconds) {
    if (!ClearInputReads(reads))
        return Fail("more reads than one wait can take");
    // Each request's board while it answers; none once its read failed or it was pulled out. A
    // board that fails at the start has its loss to tell at once, as a real one does.
    std::array<Board*, kMaxInputReads> answering{};
    bool lost = false;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        answering[i] = LiveBoard(reads[i].device, SimCall::Read);
        lost = lost || answering[i] == nullptr;
    }
    const std::span<Board*> boards = std::span(answering).first(reads.size());
    CatchUpClock();
    const std::uint64_t deadline = clockMs_ + timeoutMilliseconds;
    while (!lost && !AnyReportWaiting(boards) && clockMs_ < deadline) {
        // Time passes until the next report of any of the boards, or to the end of the wait.
        std::uint64_t until = deadline;
        for (const Board* board : boards)
            until = std::min(until, NextReportMs(*board).value_or(deadline));
        LetTimePass(until - clockMs_);
        // Whatever the passing time set off (a test's observer of the clock) may have pulled out
        // a board: its loss ends the wait.
        for (std::size_t i = 0; i < boards.size(); ++i) {
            boards[i] = AnsweringBoard(reads[i].device);
            lost = lost || boards[i] == nullptr;
        }
    }
    for (std::size_t i = 0; i < boards.size(); ++i)
        FillRead(reads[i], boards[i] != nullptr);
    return 1;
}

bool SimulatedBoards::AnyReportWaiting(std::span<Board* const> boards) {
    bool waiting = false;
    for (Board* board : boards) {
        MakeStreamingReports(*board);
        waiting = waiting || !board->queue.empty();
    }
    return waiting;
}

void SimulatedBoards::FillRead(InputRead& read, bool answered) {
    // A board named before this one may have pulled it out with a queued unplug.
    Board* board = answered ? AnsweringBoard(read.device) : nullptr;
    if (board == nullptr)
        return;
    MakeStreamingReports(*board);
    read.result = board->queue.empty() ? 1 : TakeQueuedReports(*board, read.buffer, read.bytesRead);
}

std::int32_t SimulatedBoards::TakeQueuedReports(Board& board, std::span<std::uint8_t> buffer,
                                                std::uint32_t& bytesRead) {
    if (board.queue.front().unplug) {
        Detach(static_cast<BoardId>(&board - boards_.data()));
        return Fail("the board was unplugged");
    }
    if (board.queue.front().bytes.empty()) {
        board.queue.pop_front();
        return 1; // a read that succeeds with 0 bytes
    }
    std::size_t used = 0;
    while (!board.queue.empty() && !board.queue.front().unplug &&
           !board.queue.front().bytes.empty() &&
           board.queue.front().bytes.size() <= buffer.size() - used) {
        const auto& bytes = board.queue.front().bytes;
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(used));
        used += bytes.size();
        board.queue.pop_front();
    }
    if (used == 0)
        return Fail("the waiting report does not fit into the bytes asked for");
    bytesRead = static_cast<std::uint32_t>(used);
    return 1;
}

} // namespace tensilo::device::sim
