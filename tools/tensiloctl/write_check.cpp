#include "tools/tensiloctl/write_check.h"

#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_text.h"

#include <array>
#include <optional>

namespace tensilo::ctl {

namespace {

using protocol::Channel;
using Gains = std::array<int, 3>; // the items of lc, pot1 and pot2

// The item next to `item` in its list: the one above, or below for the last.
int Neighbour(int item) {
    return item + 1 < protocol::kGainItemCount ? item + 1 : item - 1;
}

std::string Named(Channel channel, int item) {
    return std::string(protocol::ChannelName(channel)) + " " + GainText(item);
}

// The gains the board's settings report names, or why they cannot be known.
std::optional<Gains> HeldGains(BoardSession& board, std::string& why) {
    const auto report = board.ReadSettings();
    if (!report) {
        why = "the board sends no settings report that can be read";
        return std::nullopt;
    }
    Gains gains{};
    for (const Channel channel : protocol::kChannels) {
        const auto item = protocol::SettingsItem(*report, channel);
        if (!item) {
            why = "the registers name no gain for " + std::string(protocol::ChannelName(channel));
            return std::nullopt;
        }
        gains[static_cast<std::size_t>(channel)] = *item;
    }
    return gains;
}

// Writes one gain and reads the board back: what went wrong, or nothing.
std::string WriteAndReadBack(BoardSession& board, Channel channel, int item) {
    if (board.WriteGain(channel, item) != device::GainWrite::Taken)
        return std::string(protocol::ChannelName(channel)) + ": the board refused " +
               GainText(item);
    std::string why;
    const auto held = HeldGains(board, why);
    if (!held)
        return std::string(protocol::ChannelName(channel)) + ": after the write of " +
               GainText(item) + ", " + why;
    const int read = (*held)[static_cast<std::size_t>(channel)];
    if (read != item)
        return std::string(protocol::ChannelName(channel)) + ": " + GainText(item) +
               " was written, " + GainText(read) + " read back";
    return {};
}

// A neighbouring gain written and read back on each channel in turn, up to the first that fails.
std::string TryEachChannel(BoardSession& board, const Gains& original) {
    for (const Channel channel : protocol::kChannels) {
        const std::string wrong = WriteAndReadBack(
            board, channel, Neighbour(original[static_cast<std::size_t>(channel)]));
        if (!wrong.empty())
            return wrong;
    }
    return {};
}

// Every original gain written back, and the board read back: what it holds that differs, or
// nothing when all three are restored.
std::string Restore(BoardSession& board, const Gains& original) {
    for (const Channel channel : protocol::kChannels)
        board.WriteGain(channel, original[static_cast<std::size_t>(channel)]);
    std::string why;
    const auto held = HeldGains(board, why);
    if (!held)
        return why;
    std::string differs;
    for (const Channel channel : protocol::kChannels) {
        const int item = (*held)[static_cast<std::size_t>(channel)];
        if (item != original[static_cast<std::size_t>(channel)])
            differs += (differs.empty() ? "it holds " : ", ") + Named(channel, item);
    }
    return differs;
}

std::string GainsText(const Gains& gains) {
    std::string text;
    for (const Channel channel : protocol::kChannels)
        text +=
            (text.empty() ? "" : ", ") + Named(channel, gains[static_cast<std::size_t>(channel)]);
    return text;
}

} // namespace

CheckResult CheckWrites(BoardSession& board, const Console& console) {
    const device::BoardDetails details = board.ReadDetails();
    if (!details.AllowsGainChanges())
        return {CheckResult::Verdict::Skip,
                {},
                details.version ? "version " + VersionText(details.version) +
                                      " does not allow its gains to be changed"
                                : "the board tells no version, so its gains are not changed"};
    // The gains to restore are read under the lock: read before it, they could be another
    // program's old ones, and writing them back would undo that program's change.
    const auto lock = board.LockWrites();
    if (!lock.Taken())
        return {CheckResult::Verdict::Fail,
                {},
                lock.Busy() ? "the board is busy: another program is writing it"
                            : "the board's write lock cannot be taken"};
    std::string why;
    const auto original = HeldGains(board, why);
    if (!original)
        return {CheckResult::Verdict::Skip, {}, why + ", so the window would not write it"};
    const HeldStops held(console.stop);
    const std::string wrong = TryEachChannel(board, *original);
    const std::string unrestored = Restore(board, *original);
    const std::string restored = unrestored.empty()
                                     ? "the original gains restored (" + GainsText(*original) + ")"
                                     : "the original gains could not be restored: " + unrestored;
    if (wrong.empty() && unrestored.empty())
        return {CheckResult::Verdict::Pass, {}, "each gain written and read back, " + restored};
    return {CheckResult::Verdict::Fail, {}, (wrong.empty() ? "" : wrong + "; ") + restored};
}

} // namespace tensilo::ctl
