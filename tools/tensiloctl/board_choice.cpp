#include "tools/tensiloctl/board_choice.h"

#include "device/board_access.h"
#include "device/interface_walk.h"

namespace tensilo::ctl {

namespace {

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : ", ") + text;
    return joined;
}

// "the board at P" or "the boards at P, Q".
std::string RefusedBoards(const std::vector<std::string>& paths) {
    return (paths.size() == 1 ? "the board at " : "the boards at ") + Joined(paths);
}

} // namespace

BoardsPresent FindBoards(device::HidApi& hid) {
    BoardsPresent present;
    WindowState state{};
    device::WalkNotes notes;
    device::WalkInterfaces(
        hid, state,
        [&](const std::string& serial) {
            present.serials.push_back(serial);
            return device::BoardVerdict::Close;
        },
        &notes);
    present.refusedPaths = std::move(notes.refusedBoardPaths);
    return present;
}

std::optional<BoardTarget> ChooseBoard(device::HidApi& hid, const std::optional<std::string>& board,
                                       bool allTaken, const Console& console, int& status) {
    status = kNoBoard;
    if (board) {
        // Whether it is there is seen when it is opened (SayNotOpened): one walk fewer.
        status = kDone;
        return BoardTarget{*board, 0};
    }

    const BoardsPresent present = FindBoards(hid);
    if (present.serials.empty() && present.refusedPaths.empty()) {
        console.Say("no Tensilo board is plugged in");
        return std::nullopt;
    }
    if (present.serials.empty()) {
        console.Say("this user may not open " + RefusedBoards(present.refusedPaths));
        console.SayAccessHint();
        return std::nullopt;
    }
    if (present.serials.size() + present.refusedPaths.size() > 1) {
        std::vector<std::string> named = present.serials;
        for (const std::string& path : present.refusedPaths)
            named.push_back("one at " + path + " this user may not open");
        console.Say(std::to_string(named.size()) + " boards are plugged in (" + Joined(named) +
                    "): choose one with --board SERIAL" + (allTaken ? ", or all with --all" : ""));
        status = kBadInput;
        return std::nullopt;
    }
    status = kDone;
    return BoardTarget{present.serials.front(), 0};
}

int SayNotOpened(device::HidApi& hid, const BoardTarget& target, const Console& console) {
    const BoardsPresent present = FindBoards(hid);
    bool listed = false;
    for (const std::string& serial : present.serials)
        listed = listed || serial == target.serial;
    if (listed) {
        console.Say("the board " + target.serial + " could not be opened");
    } else if (!present.refusedPaths.empty()) {
        console.Say("no board with serial number " + target.serial +
                    " can be opened: this user may not open " +
                    RefusedBoards(present.refusedPaths));
        console.SayAccessHint();
    } else {
        console.Say("no board with serial number " + target.serial + " is plugged in");
    }
    return kNoBoard;
}

int detail::SayWhatAllLeftOut(const BoardsPresent& present, const Console& console) {
    if (present.serials.empty() && present.refusedPaths.empty()) {
        console.Say("no Tensilo board is plugged in");
        return kNoBoard;
    }
    if (present.refusedPaths.empty())
        return kDone;
    for (const std::string& path : present.refusedPaths)
        console.Say("this user may not open the board at " + path);
    console.SayAccessHint();
    return kNoBoard;
}

OpenedBoard::OpenedBoard(device::HidApi& hid, const BoardTarget& target) : hid_(hid) {
    open_ = device::OpenBoard(hid_, state_, target.serial, target.skip);
}

OpenedBoard::~OpenedBoard() {
    if (open_)
        device::CloseBoard(hid_, state_, device::ReadEventOnClose::Close);
}

} // namespace tensilo::ctl
