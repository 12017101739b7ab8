// Which boards a command works on, and a board held open for it: found by the walk the window
// uses, opened by serial number as the window opens one (device/board_access.h).
#pragma once

#include "device/hid_api.h"
#include "device/window_state.h"
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

// One board: its serial number, and how many boards of that serial number come before it.
struct BoardTarget {
    std::string serial;
    int skip = 0;
};

// The board a command that works on one board works on: the first with the serial number
// `board` names, or else the one board plugged in. None, after saying why, when no board is
// plugged in or this user may open none (`status` kNoBoard) or there is more than one to choose
// from (`status` kBadInput); the message then names `--all` too when `allTaken`. Whether the
// board `board` names is there is seen when it is opened.
std::optional<BoardTarget> ChooseBoard(device::HidApi& hid, const std::optional<std::string>& board,
                                       bool allTaken, const Console& console, int& status);

// Says why `target` could not be opened: it is not plugged in (or no longer), this user may not
// open it, or its open failed. Returns kNoBoard.
int SayNotOpened(device::HidApi& hid, const BoardTarget& target, const Console& console);

// Runs `work` on the chosen board or, with `all`, on every board plugged in, one after the
// other; a board this user may not open counts as one that failed with kNoBoard. Returns the
// largest status.
template <typename Work>
int ForEachBoard(device::HidApi& hid, const std::optional<std::string>& board, bool all,
                 const Console& console, Work work);

// A board held open on its two handles while a command works on it, closed once when it goes.
class OpenedBoard {
public:
    OpenedBoard(device::HidApi& hid, const BoardTarget& target);
    ~OpenedBoard();
    OpenedBoard(const OpenedBoard&) = delete;
    OpenedBoard& operator=(const OpenedBoard&) = delete;

    bool IsOpen() const { return open_; }
    WindowState& State() { return state_; }

private:
    device::HidApi& hid_;
    WindowState state_{};
    bool open_ = false;
};

// Runs `work(state)` with `target` open on its two handles (`state` is the open board's record),
// and closes it after; says why and returns kNoBoard when it cannot be opened.
template <typename Work>
int WithOpenedBoard(device::HidApi& hid, const BoardTarget& target, const Console& console,
                    Work work) {
    OpenedBoard opened(hid, target);
    if (!opened.IsOpen())
        return SayNotOpened(hid, target, console);
    return work(opened.State());
}

// Runs `work(target, state)` on the board a command that works on one board works on
// (ChooseBoard), held open meanwhile; returns its status, or why there is no board to work on.
template <typename Work>
int WithChosenBoard(device::HidApi& hid, const std::optional<std::string>& board,
                    const Console& console, Work work) {
    int status = kDone;
    const auto target = ChooseBoard(hid, board, false, console, status);
    if (!target)
        return status;
    return WithOpenedBoard(hid, *target, console,
                           [&](WindowState& state) { return work(*target, state); });
}

// --- template ---------------------------------------------------------------------------------

namespace detail {
// Says what ForEachBoard says when `all` finds boards this user may not open, or none at all;
// returns the status they add.
int SayWhatAllLeftOut(const BoardsPresent& present, const Console& console);
} // namespace detail

template <typename Work>
int ForEachBoard(device::HidApi& hid, const std::optional<std::string>& board, bool all,
                 const Console& console, Work work) {
    if (!all) {
        int status = kDone;
        const auto target = ChooseBoard(hid, board, true, console, status);
        return target ? work(*target) : status;
    }
    const BoardsPresent present = FindBoards(hid);
    int worst = kDone;
    for (std::size_t i = 0; i < present.serials.size(); ++i) {
        BoardTarget target{present.serials[i], 0};
        for (std::size_t before = 0; before < i; ++before)
            target.skip += present.serials[before] == target.serial ? 1 : 0;
        const int status = work(target);
        worst = status > worst ? status : worst;
    }
    const int status = detail::SayWhatAllLeftOut(present, console);
    return status > worst ? status : worst;
}

} // namespace tensilo::ctl
