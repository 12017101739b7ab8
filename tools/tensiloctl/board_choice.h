// Which boards a command works on: the one named by --board, the one plugged in, or with --all
// each in turn; each held open for the command as a BoardSession.
#pragma once

#include "device/hid_api.h"
#include "tools/tensiloctl/board_session.h"
#include "tools/tensiloctl/console.h"

#include <optional>
#include <string>
#include <vector>

namespace tensilo::ctl {

// The boards of the product plugged in now, in the platform's order.
struct BoardsPresent {
    std::vector<std::string> serials;      // those this user may open, by serial number
    std::vector<std::string> refusedPaths; // those this user may not open, by device path
};
BoardsPresent FindBoards(device::HidApi& hid);

// Every board `present` lists, as targets: boards of one serial number each get their own.
std::vector<BoardTarget> TargetsOf(const BoardsPresent& present);

// The board a command that works on one board works on: the first with the serial number
// `board` names, or else the one board plugged in. None, after saying why, when no board is
// plugged in or this user may open none (`status` kNoBoard) or there is more than one to choose
// from (`status` kBadInput); the message then names `--all` too when `allTaken`. Whether the
// board `board` names is there is seen when it is opened.
std::optional<BoardTarget> ChooseBoard(device::HidApi& hid, const std::optional<std::string>& board,
                                       bool allTaken, const Console& console, int& status);

// Says why `target` could not be opened: it is not plugged in (naming those that are), this user
// may not open it, or its open failed. Returns kNoBoard.
int SayNotOpened(device::HidApi& hid, const BoardTarget& target, const Console& console);

// Runs `work(session)` with `target` open, and closes it after; says why and returns kNoBoard
// when it cannot be opened.
template <typename Work>
int WithOpenedBoard(device::HidApi& hid, const BoardTarget& target, const Console& console,
                    Work work) {
    BoardSession session(hid, target);
    if (!session.IsOpen())
        return SayNotOpened(hid, target, console);
    return work(session);
}

// Runs `work(session)` on the board a command that works on one board works on (ChooseBoard);
// returns its status, or why there is no board to work on.
template <typename Work>
int WithChosenBoard(device::HidApi& hid, const std::optional<std::string>& board,
                    const Console& console, Work work) {
    int status = kDone;
    const auto target = ChooseBoard(hid, board, false, console, status);
    if (!target)
        return status;
    return WithOpenedBoard(hid, *target, console, work);
}

namespace detail {
// What ForEachBoard says and returns about boards a request to stop left undone (`undone`, e.g.
// "unwritten"), about boards --all found refused, or about none at all.
int SayStoppedBefore(const std::vector<BoardTarget>& left, const char* undone,
                     const Console& console);
int SayWhatAllLeftOut(const BoardsPresent& present, const Console& console);
int Worse(int status, int other);
} // namespace detail

// Runs `work(session)` on the chosen board or, with `all`, on every board plugged in, one after
// the other; a board that cannot be opened counts as one that failed with kNoBoard. Returns the
// largest status. A request to stop is held through --all and honoured before the next board:
// the boards left are named as `undone` and the status is at least kBoardFault. A request held
// by the work itself ends the program once the work is done (StoppedBy).
template <typename Work>
int ForEachBoard(device::HidApi& hid, const std::optional<std::string>& board, bool all,
                 const char* undone, const Console& console, Work work) {
    if (!all) {
        int status = kDone;
        const auto target = ChooseBoard(hid, board, true, console, status);
        if (target)
            status = WithOpenedBoard(hid, *target, console, work);
        return console.stop.Signal() != 0 ? StoppedBy(console.stop.Signal()) : status;
    }
    const HeldStops held(console.stop);
    const BoardsPresent present = FindBoards(hid);
    const std::vector<BoardTarget> targets = TargetsOf(present);
    int worst = kDone;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (console.stop.Signal() != 0)
            return detail::Worse(
                worst, detail::SayStoppedBefore(
                           {targets.begin() + static_cast<std::ptrdiff_t>(i), targets.end()},
                           undone, console));
        worst = detail::Worse(worst, WithOpenedBoard(hid, targets[i], console, work));
    }
    worst = detail::Worse(worst, detail::SayWhatAllLeftOut(present, console));
    return console.stop.Signal() != 0 ? StoppedBy(console.stop.Signal()) : worst;
}

} // namespace tensilo::ctl
