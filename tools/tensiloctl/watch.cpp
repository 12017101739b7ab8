#include "tools/tensiloctl/watch.h"

#include "protocol/input_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/printable_text.h"
#include "tools/tensiloctl/row_queue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <ostream>
#include <thread>

namespace tensilo::ctl {

namespace {

// Milliseconds as seconds with three decimals: 12 gives "0.012".
std::string SecondsText(std::uint64_t milliseconds) {
    std::string decimals = std::to_string(milliseconds % 1000);
    return std::to_string(milliseconds / 1000) + "." + std::string(3 - decimals.size(), '0') +
           decimals;
}

// What ends the reading, besides the board.
struct ReadingLimits {
    std::optional<std::uint64_t> count;
    std::optional<std::uint64_t> timeLimitMs;
};

// How the reading ended.
struct ReadingOutcome {
    bool lost = false;
};

// The rows of the whole reports one read returned, each stamped `milliseconds`; at most `room`.
std::vector<WatchRow> RowsOfRead(std::span<const std::uint8_t> read, std::size_t reportLength,
                                 std::uint64_t milliseconds, std::uint64_t room) {
    std::vector<WatchRow> rows;
    for (std::size_t at = 0; at + reportLength <= read.size() && rows.size() < room;
         at += reportLength) {
        const auto sample = protocol::DecodeInputReport(read, at);
        if (!sample)
            break;
        rows.push_back({milliseconds, sample->LoadCellValue, sample->Pot1Value,
                        sample->Pot2Value, 0});
    }
    return rows;
}

// The thread that reads: waiting reads of the board, each read's rows into `queue`, until the
// limits, a request to stop, or `stopReading`.
ReadingOutcome ReadBoard(BoardSession& board, const ReadingLimits& limits, const Console& console,
                         const std::atomic<bool>& stopReading, RowQueue& queue) {
    const std::size_t reportLength = board.Capabilities().InputReportByteLength;
    // The window's read buffer: 1000 bytes asked for, of 1001.
    std::array<std::uint8_t, protocol::kInputBufferSize> buffer{};
    const auto request = std::span(buffer).first(protocol::kInputReadLength);
    const std::uint64_t start = console.milliseconds();
    std::uint64_t rows = 0;
    while (!stopReading && console.stop.Signal() == 0 && (!limits.count || rows < *limits.count)) {
        std::uint64_t wait = kLongestWaitMs;
        if (limits.timeLimitMs) {
            const std::uint64_t elapsed = console.milliseconds() - start;
            if (elapsed >= *limits.timeLimitMs)
                break;
            wait = std::min(wait, *limits.timeLimitMs - elapsed);
        }
        std::uint32_t bytesRead = 0;
        if (!board.ReadInput(request, bytesRead, static_cast<std::uint32_t>(wait)))
            return {true};
        const std::uint64_t now = console.milliseconds() - start;
        const auto read = std::span<const std::uint8_t>(buffer).first(
            std::min<std::size_t>(bytesRead, request.size()));
        const auto room = limits.count ? *limits.count - rows : UINT64_MAX;
        const std::vector<WatchRow> taken = RowsOfRead(read, reportLength, now, room);
        rows += taken.size();
        queue.Push(taken);
    }
    return {false};
}

// Writes one row as the watch prints it.
void WriteRow(const WatchRow& row, char separator, std::ostream& out) {
    out << SecondsText(row.milliseconds) << separator << row.loadCell << separator << row.pot1
        << separator << row.pot2 << '\n';
}

// The thread that writes: every row the reading hands over, flushed as it comes, until the
// reading has ended and every row is written, or the output fails (which ends the reading).
void WriteRows(RowQueue& queue, bool csv, const Console& console,
               std::atomic<bool>& stopReading) {
    const char separator = csv ? ',' : '\t';
    std::vector<WatchRow> rows;
    while (queue.Take(rows)) {
        for (const WatchRow& row : rows)
            WriteRow(row, separator, console.out);
        // Written as they come, so that a reader sees each report soon after it is read.
        console.out.flush();
        if (console.output.Fault()) {
            stopReading = true;
            return;
        }
    }
}

int Watch(BoardSession& board, const Invocation& invocation, const Console& console) {
    const std::size_t reportLength = board.Capabilities().InputReportByteLength;
    const std::string serial = Printable(board.Serial());
    if (reportLength < protocol::kMinInputReportLength) {
        console.Say(serial + "'s input reports (" + std::to_string(reportLength) +
                    " bytes) are too short to hold the three values");
        return kBoardFault;
    }
    if (invocation.csv)
        console.out << "time_s,load_cell,pot1,pot2\n" << std::flush;

    // A request to stop ends the watch as --count does: it is held, and the reading ends.
    const HeldStops held(console.stop);
    RowQueue queue(console.watchQueueBytes);
    std::atomic<bool> stopReading = false;
    ReadingOutcome outcome;
    std::thread reader([&] {
        outcome = ReadBoard(board, {invocation.count, invocation.timeLimitMs}, console,
                            stopReading, queue);
        queue.EndReading();
    });
    WriteRows(queue, invocation.csv, console, stopReading);
    reader.join();

    int status = kDone;
    if (outcome.lost) {
        console.Say(serial + " was lost while it was watched: unplugged, or it stopped answering");
        status = kBoardFault;
    }
    if (const std::uint64_t dropped = queue.Dropped(); dropped > 0) {
        console.Say(std::to_string(dropped) +
                    " reports were dropped: the output was not read fast enough");
        status = kBoardFault;
    }
    return status;
}

} // namespace

int WatchBoard(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const int status = WithChosenBoard(hid, invocation.board, console, [&](BoardSession& board) {
        return Watch(board, invocation, console);
    });
    return console.FinishOutput(status);
}

} // namespace tensilo::ctl
