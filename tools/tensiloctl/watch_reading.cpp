#include "tools/tensiloctl/watch_reading.h"

#include "protocol/input_report.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tensilo::ctl {

namespace {

// One board while it is read: its buffer (the window's read buffer: 1000 bytes asked for, of
// 1001) and the rows it gave.
struct ReadBoard {
    BoardSession* session = nullptr;
    std::uint8_t place = 0;
    std::array<std::uint8_t, protocol::kInputBufferSize> buffer{};
    std::uint64_t rows = 0;
    bool done = false;
};

// The rows of the whole reports one read returned, each stamped `milliseconds`; at most `room`.
void AppendRows(const ReadBoard& board, std::uint32_t bytesRead, std::uint64_t milliseconds,
                std::uint64_t room, std::vector<WatchRow>& rows) {
    const std::size_t reportLength = board.session->Capabilities().InputReportByteLength;
    const auto read = std::span<const std::uint8_t>(board.buffer)
                          .first(std::min<std::size_t>(bytesRead, protocol::kInputReadLength));
    std::uint64_t taken = 0;
    for (std::size_t at = 0; at + reportLength <= read.size() && taken < room;
         at += reportLength, ++taken) {
        const auto sample = protocol::DecodeInputReport(read, at);
        if (!sample)
            break;
        rows.push_back({milliseconds, sample->LoadCellValue, sample->Pot1Value, sample->Pot2Value,
                        board.place, false});
    }
}

// How long the next wait may last; none when the time limit has passed.
std::optional<std::uint32_t> NextWait(const ReadingLimits& limits, std::uint64_t elapsed) {
    if (!limits.timeLimitMs)
        return kLongestWaitMs;
    if (elapsed >= *limits.timeLimitMs)
        return std::nullopt;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(kLongestWaitMs, *limits.timeLimitMs - elapsed));
}

// One wait over the boards still read; their rows, in the order of the requests, and the news of
// those lost.
std::vector<WatchRow> WaitForRows(std::vector<ReadBoard*>& reading, const ReadingLimits& limits,
                                  std::uint32_t wait, std::uint64_t start, const Console& console) {
    std::vector<device::InputRead> requests;
    for (ReadBoard* board : reading)
        requests.push_back(board->session->InputRequest(
            std::span(board->buffer).first(protocol::kInputReadLength)));
    if (requests.size() == 1) {
        // One board is read as it always was, with the single waiting read.
        device::InputRead& only = requests.front();
        only.result = reading.front()->session->ReadInput(only.buffer, only.bytesRead, wait);
    } else {
        reading.front()->session->Hid().ReadFilesWithTimeout(requests, wait);
    }
    const std::uint64_t now = console.milliseconds() - start;
    std::vector<WatchRow> rows;
    for (std::size_t i = 0; i < reading.size(); ++i) {
        ReadBoard& board = *reading[i];
        if (requests[i].result == 0) {
            rows.push_back({now, 0, 0, 0, board.place, true});
            board.done = true;
            continue;
        }
        const std::size_t before = rows.size();
        AppendRows(board, requests[i].bytesRead, now,
                   limits.count ? *limits.count - board.rows : UINT64_MAX, rows);
        board.rows += rows.size() - before;
        board.done = limits.count && board.rows >= *limits.count;
    }
    return rows;
}

} // namespace

void ReadBoards(const std::vector<BoardSession*>& boards, const ReadingLimits& limits,
                const Console& console, const std::atomic<bool>& stopReading, RowQueue& queue) {
    std::vector<ReadBoard> all(boards.size());
    for (std::size_t i = 0; i < boards.size(); ++i)
        all[i].session = boards[i], all[i].place = static_cast<std::uint8_t>(i);
    const std::uint64_t start = console.milliseconds();
    for (;;) {
        std::vector<ReadBoard*> reading;
        for (ReadBoard& board : all)
            if (!board.done)
                reading.push_back(&board);
        const auto wait = NextWait(limits, console.milliseconds() - start);
        if (reading.empty() || !wait || stopReading || console.stop.Signal() != 0)
            break;
        queue.Push(WaitForRows(reading, limits, *wait, start, console));
    }
    queue.EndReading();
}

} // namespace tensilo::ctl
