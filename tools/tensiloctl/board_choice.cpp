#include "tools/tensiloctl/board_choice.h"

#include "device/interface_walk.h"
#include "device/window_state.h"
#include "tools/tensiloctl/printable_text.h"

namespace tensilo::ctl {

namespace {

// The texts, printable, separated by commas.
std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : ", ") + Printable(text);
    return joined;
}

// "the board at P" or "the boards at P, Q".
std::string RefusedBoards(const std::vector<std::string>& paths) {
    return (paths.size() == 1 ? "the board at " : "the boards at ") + Joined(paths);
}

} // namespace

BoardsPresent FindBoards(device::HidApi& hid) {
    BoardsPresent present;
    WindowState walk{};
    device::WalkNotes notes;
    device::WalkInterfaces(
        hid, walk,
        [&](const std::string& serial) {
            present.serials.push_back(serial);
            return device::BoardVerdict::Close;
        },
        &notes);
    present.refusedPaths = std::move(notes.refusedBoardPaths);
    return present;
}

std::vector<BoardTarget> TargetsOf(const BoardsPresent& present) {
    std::vector<BoardTarget> targets;
    for (std::size_t i = 0; i < present.serials.size(); ++i) {
        BoardTarget target{present.serials[i], 0};
        for (std::size_t before = 0; before < i; ++before)
            target.skip += present.serials[before] == target.serial ? 1 : 0;
        targets.push_back(target);
    }
    return targets;
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
        std::string named = Joined(present.serials);
        for (const std::string& path : present.refusedPaths)
            named += ", one at " + Printable(path) + " this user may not open";
        console.Say(std::to_string(present.serials.size() + present.refusedPaths.size()) +
                    " boards are plugged in (" + named + "): choose one with --board SERIAL" +
                    (allTaken ? ", or all with --all" : ""));
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
    const std::string serial = Echoed(target.serial);
    if (listed) {
        console.Say("the board " + serial + " could not be opened");
    } else if (!present.refusedPaths.empty()) {
        console.Say("no board with serial number " + serial +
                    " can be opened: this user may not open " +
                    RefusedBoards(present.refusedPaths));
        console.SayAccessHint();
    } else if (!present.serials.empty()) {
        console.Say("no board with serial number " + serial +
                    " is plugged in; plugged in: " + Joined(present.serials));
    } else {
        console.Say("no board with serial number " + serial + " is plugged in");
    }
    return kNoBoard;
}

int detail::SayStoppedBefore(const std::vector<BoardTarget>& left, const char* undone,
                             const Console& console) {
    std::vector<std::string> serials;
    for (const BoardTarget& target : left)
        serials.push_back(target.serial);
    console.Say("stopped on request: " + Joined(serials) + (left.size() == 1 ? " is" : " are") +
                " left " + undone);
    return kBoardFault;
}

int detail::SayWhatAllLeftOut(const BoardsPresent& present, const Console& console) {
    if (present.serials.empty() && present.refusedPaths.empty()) {
        console.Say("no Tensilo board is plugged in");
        return kNoBoard;
    }
    if (present.refusedPaths.empty())
        return kDone;
    for (const std::string& path : present.refusedPaths)
        console.Say("this user may not open the board at " + Printable(path));
    console.SayAccessHint();
    return kNoBoard;
}

int detail::Worse(int status, int other) {
    return other > status ? other : status;
}

} // namespace tensilo::ctl
