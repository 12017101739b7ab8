// save: the board's gains into a settings file, standard output, or any file name given (a FIFO,
// a device, /dev/stdout), never half-written (file_access.h).
#include "tools/tensiloctl/commands.h"

#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/file_access.h"
#include "tools/tensiloctl/printable_text.h"
#include "tools/tensiloctl/settings_file.h"

#include <ostream>

namespace tensilo::ctl {

namespace {

// The settings of the board, as a settings file holds them, into `settings`.
int ReadSavedSettings(BoardSession& board, const Console& console, SavedSettings& settings) {
    const std::string serial = Printable(board.Serial());
    const device::BoardDetails details = board.ReadDetails();
    const auto report = board.ReadSettings();
    if (!report) {
        console.Say(serial + " sends no settings report that can be read; nothing saved");
        return kBoardFault;
    }
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i) {
        const auto item = protocol::SettingsItem(*report, protocol::kChannels[i]);
        if (!item) {
            console.Say(serial + "'s registers name no gain for " +
                        std::string(protocol::ChannelName(protocol::kChannels[i])) +
                        "; nothing saved");
            return kBoardFault;
        }
        settings.items[i] = *item;
    }
    settings.serial = board.Serial();
    settings.product = details.product;
    return kDone;
}

} // namespace

int SaveSettings(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    SavedSettings settings;
    const int status = WithChosenBoard(hid, invocation.board, console, [&](BoardSession& board) {
        return ReadSavedSettings(board, console, settings);
    });
    if (status != kDone)
        return status;

    const std::string text = WriteSettingsFile(settings);
    if (invocation.file == "-") {
        console.out << text;
        return console.FinishOutput(kDone);
    }
    if (const auto failure = WriteFileAt(invocation.file, text, console.stop)) {
        console.Say(Echoed(invocation.file) + " cannot be written: " + *failure);
        return kBadInput;
    }
    return kDone;
}

} // namespace tensilo::ctl
