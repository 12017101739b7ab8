#include "tools/tensiloctl/watch.h"

#include "protocol/input_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/printable_text.h"
#include "tools/tensiloctl/watch_reading.h"

#include <charconv>
#include <memory>
#include <ostream>
#include <thread>

namespace tensilo::ctl {

namespace {

// Milliseconds as seconds with three decimals ("0.012") at `at`; the end of what was written.
char* WriteSeconds(char* at, char* end, std::uint64_t milliseconds) {
    at = std::to_chars(at, end, milliseconds / 1000).ptr;
    const auto thousandths = static_cast<unsigned>(milliseconds % 1000);
    *at++ = '.';
    *at++ = static_cast<char>('0' + thousandths / 100);
    *at++ = static_cast<char>('0' + thousandths / 10 % 10);
    *at++ = static_cast<char>('0' + thousandths % 10);
    return at;
}

// A serial number as a CSV field: quoted when it holds a comma or a quote.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// How rows are written: the separator and, with --all, each board's serial number as it is shown.
struct RowForm {
    char separator = '\t';
    std::vector<std::string> serials; // empty: one board, no serial field
};

// One row, made in a buffer and written at once: a watch writes thousands of rows a second.
void WriteRow(const WatchRow& row, const RowForm& form, std::ostream& out) {
    char line[64];
    char* const end = line + sizeof line;
    char* at = WriteSeconds(line, end, row.milliseconds);
    *at++ = form.separator;
    if (!form.serials.empty()) {
        out.write(line, at - line);
        out << form.serials[row.board];
        at = line;
        *at++ = form.separator;
    }
    for (const std::uint16_t value : {row.loadCell, row.pot1, row.pot2}) {
        at = std::to_chars(at, end, value).ptr;
        *at++ = form.separator;
    }
    at[-1] = '\n';
    out.write(line, at - line);
}

// The thread that writes: every row the reading hands over, flushed as it comes, until the
// reading has ended and every row is written, or the output fails (which ends the reading). A
// lost board is said when its news comes; the status is then at least kBoardFault.
int WriteRows(RowQueue& queue, const RowForm& form, const std::vector<BoardSession*>& boards,
              const Console& console, std::atomic<bool>& stopReading) {
    int status = kDone;
    std::vector<WatchRow> rows;
    while (queue.Take(rows)) {
        for (const WatchRow& row : rows) {
            if (!row.boardLost) {
                WriteRow(row, form, console.out);
                continue;
            }
            console.Say(Printable(boards[row.board]->Serial()) +
                        " was lost while it was watched: unplugged, or it stopped answering");
            status = kBoardFault;
        }
        // Written as they come, so that a reader sees each report soon after it is read.
        console.out.flush();
        if (console.output.Fault()) {
            stopReading = true;
            break;
        }
    }
    return status;
}

// Watches `boards`, whose input reports hold the three values.
int Watch(const std::vector<BoardSession*>& boards, const Invocation& invocation, bool all,
          const Console& console) {
    RowForm form{invocation.csv ? ',' : '\t', {}};
    if (all)
        for (const BoardSession* board : boards)
            form.serials.push_back(invocation.csv ? CsvField(Printable(board->Serial()))
                                                  : Printable(board->Serial()));
    if (invocation.csv)
        console.out << (all ? "time_s,serial,load_cell,pot1,pot2\n"
                            : "time_s,load_cell,pot1,pot2\n")
                    << std::flush;
    // A request to stop ends the watch as --count does: it is held, and the reading ends.
    const HeldStops held(console.stop);
    RowQueue queue(console.watchQueueBytes);
    std::atomic<bool> stopReading = false;
    std::thread reader([&] {
        ReadBoards(boards, {invocation.count, invocation.timeLimitMs}, console, stopReading, queue);
    });
    int status = WriteRows(queue, form, boards, console, stopReading);
    reader.join();
    if (const std::uint64_t dropped = queue.Dropped(); dropped > 0) {
        console.Say(std::to_string(dropped) +
                    " reports were dropped: the output was not read fast enough");
        status = kBoardFault;
    }
    return status;
}

// Whether the board's input reports hold the three values; says so when not.
bool ReportsHoldValues(const BoardSession& board, const Console& console) {
    const std::size_t length = board.Capabilities().InputReportByteLength;
    if (length >= protocol::kMinInputReportLength)
        return true;
    console.Say(Printable(board.Serial()) + "'s input reports (" + std::to_string(length) +
                " bytes) are too short to hold the three values");
    return false;
}

// --all: every board plugged in at the start that opens and holds the three values (the others
// named and left out), at most as many as one wait takes.
int WatchAll(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const BoardsPresent present = FindBoards(hid);
    int status = detail::SayWhatAllLeftOut(present, console) == kNoBoard ? kBoardFault : kDone;
    std::vector<std::unique_ptr<BoardSession>> sessions;
    std::vector<BoardSession*> boards;
    for (const BoardTarget& target : TargetsOf(present)) {
        auto session = std::make_unique<BoardSession>(hid, target);
        if (!session->IsOpen()) {
            console.Say("the board " + Printable(target.serial) +
                        " could not be opened; it is left out");
            status = kBoardFault;
        } else if (boards.size() == device::kMaxInputReads) {
            console.Say("only " + std::to_string(device::kMaxInputReads) +
                        " boards are watched at once; " + Printable(target.serial) +
                        " is left out");
            status = kBoardFault;
        } else if (!ReportsHoldValues(*session, console)) {
            status = kBoardFault;
        } else {
            boards.push_back(session.get());
            sessions.push_back(std::move(session));
        }
    }
    if (boards.empty()) {
        if (!present.serials.empty())
            console.Say("no board is left to watch");
        return kNoBoard;
    }
    // The boards opened first would otherwise start with what piled up while the others were
    // opened, more than the system keeps: each board's rows start now, without a gap.
    for (BoardSession* board : boards)
        board->DropWaitingReports();
    return std::max(status, Watch(boards, invocation, true, console));
}

} // namespace

int WatchBoards(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const int status =
        invocation.all ? WatchAll(hid, invocation, console)
                       : WithChosenBoard(hid, invocation.board, console, [&](BoardSession& board) {
                             if (!ReportsHoldValues(board, console))
                                 return static_cast<int>(kBoardFault);
                             return Watch({&board}, invocation, false, console);
                         });
    return console.FinishOutput(status);
}

} // namespace tensilo::ctl
