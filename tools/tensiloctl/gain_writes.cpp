// set, defaults and load: gains written to a board as the window writes them, under the board's
// write lock, and read back. A board is written only when the window would write it; a write it
// refuses, or a read-back that differs, is told and fails the command.
#include "tools/tensiloctl/commands.h"

#include "device/board_access.h"
#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/board_text.h"
#include "tools/tensiloctl/file_access.h"
#include "tools/tensiloctl/printable_text.h"
#include "tools/tensiloctl/settings_file.h"

#include <ostream>
#include <variant>

namespace tensilo::ctl {

namespace {

using protocol::Channel;

// The gains a command writes, in the order it writes them.
using Writes = std::vector<protocol::ChannelItem>;

// Why the window would not write this board, said; none when it would.
std::optional<int> RefuseToWrite(BoardSession& board, const Console& console) {
    const std::string serial = Printable(board.Serial());
    const device::BoardDetails details = board.ReadDetails();
    if (!details.version) {
        console.Say(serial + " does not tell its version, so its gains are not changed; "
                             "nothing written");
        return kBoardFault;
    }
    if (!details.AllowsGainChanges()) {
        console.Say(serial + " is version " + VersionText(details.version) +
                    ", which does not allow its gains to be changed; nothing written");
        return kBoardFault;
    }
    if (!board.ReadSettings()) {
        console.Say(serial + " sends no settings report that can be read, so its gains are not "
                             "changed; nothing written");
        return kBoardFault;
    }
    return std::nullopt;
}

// What the board holds after the writes, against what was written; says what went wrong.
int JudgeWrites(BoardSession& board, const Writes& writes, const std::vector<Channel>& refused,
                const Console& console) {
    const std::string serial = Printable(board.Serial());
    for (const Channel channel : refused)
        console.Say(serial + ": the board refused " + GainTitle(channel));
    const auto report = board.ReadSettings();
    if (!report) {
        console.Say(serial + " sent no settings report that can be read after the write, so what "
                             "it holds is not known");
        return kBoardFault;
    }
    std::vector<Channel> channels;
    bool same = true;
    for (const protocol::ChannelItem& write : writes) {
        channels.push_back(write.channel);
        same = same && protocol::SettingsItem(*report, write.channel) == write.item;
    }
    const std::string holds = HeldGainsText(*report, channels);
    if (!same) {
        std::string written;
        for (const Channel channel : protocol::kChannels)
            for (const protocol::ChannelItem& write : writes)
                if (write.channel == channel)
                    written.append(" ")
                        .append(protocol::ChannelName(channel))
                        .append("=")
                        .append(GainText(write.item));
        console.Say(serial + " holds" + holds + " after the write of" + written);
        return kBoardFault;
    }
    if (!refused.empty())
        return kBoardFault;
    console.out << serial << ":" << holds << '\n';
    return kDone;
}

// Writes `writes` to the board if the window would (its version, its settings report), holding
// its write lock and any request to stop until the board has been read back.
int WriteToBoard(BoardSession& board, const Writes& writes, const Console& console) {
    if (const auto refusal = RefuseToWrite(board, console))
        return *refusal;
    const auto lock = board.LockWrites();
    if (!lock.Taken()) {
        console.Say(Printable(board.Serial()) +
                    (lock.Busy() ? " is busy: another program is writing it; nothing written"
                                 : "'s write lock cannot be taken; nothing written"));
        return kBoardFault;
    }
    const HeldStops held(console.stop);
    std::vector<Channel> refused;
    for (const protocol::ChannelItem& write : writes)
        if (board.WriteGain(write.channel, write.item) != device::GainWrite::Taken)
            refused.push_back(write.channel);
    return JudgeWrites(board, writes, refused, console);
}

// The whole text of a settings file ("-": standard input), or none after saying why.
std::optional<std::string> ReadSettingsText(const std::string& file, const Console& console) {
    if (file == "-") {
        WholeInput input = ReadToEnd(console.in, kLongestSettingsFile);
        if (input.error == 0)
            return std::move(input.bytes);
        console.Say("standard input cannot be read: " + ErrorText(input.error));
        return std::nullopt;
    }
    FileText text = ReadFileAt(file, kLongestSettingsFile);
    if (!text.failure)
        return std::move(text.bytes);
    console.Say(Echoed(file) + " cannot be read: " + *text.failure);
    return std::nullopt;
}

// The gains of a settings file; none after saying what is wrong with it.
std::optional<Writes> ReadSettingsWrites(const std::string& file, const Console& console) {
    const auto text = ReadSettingsText(file, console);
    if (!text)
        return std::nullopt;
    const auto settings = ReadSettingsFile(*text);
    if (const auto* problem = std::get_if<std::string>(&settings)) {
        console.Say((file == "-" ? std::string("standard input") : Echoed(file)) + " " + *problem +
                    "; nothing written");
        return std::nullopt;
    }
    Writes writes;
    const SavedSettings& saved = std::get<SavedSettings>(settings);
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i)
        writes.push_back({protocol::kChannels[i], saved.items[i]});
    return writes;
}

// The gains the command names; none after saying why there are none.
std::optional<Writes> WritesOf(const Invocation& invocation, const Console& console) {
    switch (invocation.command) {
    case Command::Set: {
        Writes writes;
        for (const GainChoice& gain : invocation.gains)
            writes.push_back({gain.channel, gain.item});
        return writes;
    }
    case Command::Defaults:
        return Writes(protocol::kDefaultGains.begin(), protocol::kDefaultGains.end());
    case Command::Load:
        // The whole file is read and checked before any board is touched.
        return ReadSettingsWrites(invocation.file, console);
    default:
        return std::nullopt;
    }
}

} // namespace

int WriteGains(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const auto writes = WritesOf(invocation, console);
    if (!writes)
        return kBadInput;
    const int status =
        ForEachBoard(hid, invocation.board, invocation.all, "unwritten", console,
                     [&](BoardSession& board) { return WriteToBoard(board, *writes, console); });
    return console.FinishOutput(status);
}

} // namespace tensilo::ctl
