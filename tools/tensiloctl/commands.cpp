// The commands that read a board's details and settings and write its gains: all through the
// shared board layer (device/board_access.h), as the window reads and writes a board. The JSON
// of list --json and show --json is written with QtCore's QJsonDocument, as the settings file is.
#include "tools/tensiloctl/commands.h"

#include "device/board_access.h"
#include "device/interface_walk.h"
#include "device/read_channel.h"
#include "protocol/device_strings.h"
#include "protocol/gain_text.h"
#include "protocol/hex_text.h"
#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/settings_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <istream>
#include <ostream>

namespace tensilo::ctl {

namespace {

using protocol::Channel;

// The version as the window shows it, without its leading space; empty when there is none.
std::string VersionText(const std::optional<std::uint16_t>& version) {
    if (!version)
        return {};
    const std::string caption = protocol::VersionCaption(*version);
    return caption.substr(caption.find_first_not_of(' '));
}

std::string GainText(std::optional<int> item) {
    return item ? protocol::GainItemText(*item) : "none";
}

QJsonValue TextOrNull(const std::optional<std::string>& text) {
    return text ? QJsonValue(QString::fromStdString(*text)) : QJsonValue(QJsonValue::Null);
}

QJsonValue GainOrNull(std::optional<int> item) {
    return item ? QJsonValue(protocol::GainValue(*item)) : QJsonValue(QJsonValue::Null);
}

const char* SettableText(bool settable) {
    return settable ? "settable" : "not settable";
}

// One board as list shows it.
struct ListedBoard {
    std::string serial;
    std::string path;
    device::BoardDetails details;
    bool settingsAccepted = false;

    bool GainsSettable() const { return details.AllowsGainChanges() && settingsAccepted; }
};

QJsonObject BoardObject(const ListedBoard& board) {
    QJsonObject object;
    object.insert("access", true);
    object.insert("serial", QString::fromStdString(board.serial));
    object.insert("manufacturer", TextOrNull(board.details.manufacturer));
    object.insert("product", TextOrNull(board.details.product));
    object.insert("version",
                  board.details.version
                      ? QJsonValue(QString::fromStdString(VersionText(board.details.version)))
                      : QJsonValue(QJsonValue::Null));
    object.insert("gains_settable", board.GainsSettable());
    object.insert("path", QString::fromStdString(board.path));
    return object;
}

QJsonObject RefusedBoardObject(const std::string& path) {
    QJsonObject object;
    object.insert("access", false);
    for (const char* unknown : {"serial", "manufacturer", "product", "version", "gains_settable"})
        object.insert(unknown, QJsonValue(QJsonValue::Null));
    object.insert("path", QString::fromStdString(path));
    return object;
}

void PrintJson(const QJsonObject& object, const Console& console) {
    console.out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

// The gains a command writes, in the order it writes them.
using Writes = std::vector<protocol::ChannelItem>;

// Writes `writes` to the board as the window does, if the window's gate lets it (a version whose
// minor number is at least 1, an accepted settings report), and reads the board back.
int WriteToBoard(device::HidApi& hid, const BoardTarget& target, WindowState& state,
                 const Writes& writes, const Console& console) {
    const device::BoardDetails details = device::ReadBoardDetails(hid, state, state.ReadHandle);
    if (!details.version) {
        console.Say(target.serial + " does not tell its version, so its gains are not changed; "
                                    "nothing written");
        return kBoardFault;
    }
    if (!details.AllowsGainChanges()) {
        console.Say(target.serial + " is version " + VersionText(details.version) +
                    ", which does not allow its gains to be changed; nothing written");
        return kBoardFault;
    }
    if (!device::ReadSettingsReport(hid, state)) {
        console.Say(target.serial + " sends no settings report that can be read, so its gains "
                                    "are not changed; nothing written");
        return kBoardFault;
    }
    for (const protocol::ChannelItem& write : writes)
        device::WriteGain(hid, state, write.channel, write.item);

    const auto report = device::ReadSettingsReport(hid, state);
    if (!report) {
        console.Say(target.serial + " sent no settings report that can be read after the write, "
                                    "so what it holds is not known");
        return kBoardFault;
    }
    std::string holds;
    std::string written;
    bool same = true;
    for (const Channel channel : protocol::kChannels) {
        for (const protocol::ChannelItem& write : writes) {
            if (write.channel != channel)
                continue;
            const auto item = protocol::SettingsItem(*report, channel);
            holds += std::string(" ") + ChannelName(channel) + "=" + GainText(item);
            written += std::string(" ") + ChannelName(channel) + "=" + GainText(write.item);
            same = same && item == write.item;
            break;
        }
    }
    if (!same) {
        console.Say(target.serial + " holds" + holds + " after the write of" + written);
        return kBoardFault;
    }
    console.out << target.serial << ":" << holds << '\n';
    return kDone;
}

// The whole text of `file` ("-": standard input), or none after saying why.
std::optional<std::string> ReadWholeFile(const std::string& file, const Console& console) {
    std::string text;
    if (file == "-") {
        char chunk[4096];
        while (text.size() <= kLongestSettingsFile &&
               (console.in.read(chunk, sizeof chunk) || console.in.gcount() > 0))
            text.append(chunk, static_cast<std::size_t>(console.in.gcount()));
        if (console.in.bad()) {
            console.Say("standard input cannot be read");
            return std::nullopt;
        }
        return text;
    }
    QFile input(QString::fromStdString(file));
    if (!input.open(QIODevice::ReadOnly)) {
        console.Say(file + " cannot be read: " + input.errorString().toStdString());
        return std::nullopt;
    }
    const QByteArray bytes = input.read(static_cast<qint64>(kLongestSettingsFile) + 1);
    if (input.error() != QFileDevice::NoError) {
        console.Say(file + " cannot be read: " + input.errorString().toStdString());
        return std::nullopt;
    }
    return bytes.toStdString();
}

int Show(device::HidApi& hid, const Invocation& invocation, const Console& console,
         const BoardTarget& target, WindowState& state) {
    const device::BoardDetails details = device::ReadBoardDetails(hid, state, state.ReadHandle);
    const auto report = device::ReadSettingsReport(hid, state);
    const bool settable = details.AllowsGainChanges() && report;

    if (invocation.json) {
        QJsonObject object;
        object.insert("serial", QString::fromStdString(target.serial));
        object.insert("manufacturer", TextOrNull(details.manufacturer));
        object.insert("product", TextOrNull(details.product));
        object.insert("version",
                      details.version
                          ? QJsonValue(QString::fromStdString(VersionText(details.version)))
                          : QJsonValue(QJsonValue::Null));
        object.insert("gains_settable", settable);
        if (report) {
            QJsonObject gains;
            for (const Channel channel : protocol::kChannels)
                gains.insert(ChannelName(channel),
                             GainOrNull(protocol::SettingsItem(*report, channel)));
            object.insert("gains", gains);
            QJsonArray registers;
            for (std::size_t r = 0; r < 9; ++r)
                registers.append((*report)[3 + r]);
            object.insert("registers", registers);
        } else {
            object.insert("gains", QJsonValue(QJsonValue::Null));
            object.insert("registers", QJsonValue(QJsonValue::Null));
        }
        object.insert("path", QString::fromStdString(state.DevicePath));
        PrintJson(object, console);
    } else {
        std::ostream& out = console.out;
        out << "serial\t" << target.serial << '\n'
            << "manufacturer\t" << details.manufacturer.value_or("") << '\n'
            << "product\t" << details.product.value_or("") << '\n'
            << "version\t" << VersionText(details.version) << '\n'
            << "gains\t" << SettableText(settable) << '\n';
        for (const Channel channel : protocol::kChannels)
            out << ChannelName(channel) << '\t'
                << (report ? GainText(protocol::SettingsItem(*report, channel)) : "unknown")
                << '\n';
        out << "registers\t";
        if (report) {
            for (std::size_t r = 0; r < 9; ++r)
                out << (r == 0 ? "" : " ") << protocol::HexDigits((*report)[3 + r], 2);
        } else {
            out << "unknown";
        }
        out << '\n' << "path\t" << state.DevicePath << '\n';
    }
    console.out.flush();
    if (!report) {
        console.Say(target.serial + " sends no settings report that can be read");
        return kBoardFault;
    }
    return kDone;
}

// The settings of the board open in `state`, as a settings file holds them, into `settings`.
int ReadSavedSettings(device::HidApi& hid, const Console& console, const BoardTarget& target,
                      WindowState& state, SavedSettings& settings) {
    const device::BoardDetails details = device::ReadBoardDetails(hid, state, state.ReadHandle);
    const auto report = device::ReadSettingsReport(hid, state);
    if (!report) {
        console.Say(target.serial + " sends no settings report that can be read; nothing saved");
        return kBoardFault;
    }
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i) {
        const auto item = protocol::SettingsItem(*report, protocol::kChannels[i]);
        if (!item) {
            console.Say(target.serial + "'s registers name no gain for " +
                        ChannelName(protocol::kChannels[i]) + "; nothing saved");
            return kBoardFault;
        }
        settings.items[i] = *item;
    }
    settings.serial = target.serial;
    settings.product = details.product;
    return kDone;
}

} // namespace

int ListBoards(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    std::vector<ListedBoard> boards;
    WindowState state{};
    device::WalkNotes notes;
    device::WalkInterfaces(
        hid, state,
        [&](const std::string& serial) {
            // Read on the walk's handle, which is closed again: each board as the window shows
            // it, and whether the window would let its gains be changed.
            ListedBoard board;
            board.serial = serial;
            board.path = state.DevicePath;
            board.details = device::ReadBoardDetails(hid, state, state.DeviceHandle);
            state.Capabilities = {};
            device::ReadDeviceCaps(hid, state);
            board.settingsAccepted = device::ReadSettingsReport(hid, state).has_value();
            boards.push_back(std::move(board));
            return device::BoardVerdict::Close;
        },
        &notes);

    if (invocation.json) {
        QJsonArray array;
        for (const ListedBoard& board : boards)
            array.append(BoardObject(board));
        for (const std::string& path : notes.refusedBoardPaths)
            array.append(RefusedBoardObject(path));
        PrintJson(QJsonObject{{"boards", array}}, console);
    } else {
        for (const ListedBoard& board : boards)
            console.out << board.serial << '\t' << board.details.manufacturer.value_or("") << '\t'
                        << board.details.product.value_or("") << '\t'
                        << VersionText(board.details.version) << '\t'
                        << SettableText(board.GainsSettable()) << '\t' << board.path << '\n';
        for (const std::string& path : notes.refusedBoardPaths)
            console.out << "\t\t\t\tno access\t" << path << '\n';
    }
    console.out.flush();
    if (!notes.refusedBoardPaths.empty())
        console.SayAccessHint();
    if (boards.empty() && notes.refusedBoardPaths.empty()) {
        console.Say("no Tensilo board is plugged in");
        return kNoBoard;
    }
    return kDone;
}

int ShowBoard(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    return WithChosenBoard(hid, invocation.board, console,
                           [&](const BoardTarget& target, WindowState& state) {
                               return Show(hid, invocation, console, target, state);
                           });
}

int WriteGains(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    Writes writes;
    switch (invocation.command) {
    case Command::Set:
        for (const GainChoice& gain : invocation.gains)
            writes.push_back({gain.channel, gain.item});
        break;
    case Command::Defaults:
        writes.assign(protocol::kDefaultGains.begin(), protocol::kDefaultGains.end());
        break;
    case Command::Load: {
        // The whole file is read and checked before any board is touched.
        const auto text = ReadWholeFile(invocation.file, console);
        if (!text)
            return kBadInput;
        const auto settings = ReadSettingsFile(*text);
        if (const auto* problem = std::get_if<std::string>(&settings)) {
            console.Say((invocation.file == "-" ? std::string("standard input") : invocation.file) +
                        " " + *problem + "; nothing written");
            return kBadInput;
        }
        const SavedSettings& saved = std::get<SavedSettings>(settings);
        for (std::size_t i = 0; i < protocol::kChannels.size(); ++i)
            writes.push_back({protocol::kChannels[i], saved.items[i]});
        break;
    }
    default:
        return kBadInput;
    }
    return ForEachBoard(hid, invocation.board, invocation.all, console, [&](const BoardTarget& target) {
        return WithOpenedBoard(hid, target, console, [&](WindowState& state) {
            return WriteToBoard(hid, target, state, writes, console);
        });
    });
}

int SaveSettings(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    SavedSettings settings;
    const int status = WithChosenBoard(hid, invocation.board, console,
                                       [&](const BoardTarget& target, WindowState& state) {
                                           return ReadSavedSettings(hid, console, target, state,
                                                                    settings);
                                       });
    if (status != kDone)
        return status;

    const std::string text = WriteSettingsFile(settings);
    if (invocation.file == "-") {
        console.out << text;
        console.out.flush();
        if (!console.out) {
            console.Say("the settings could not be written to standard output");
            return kBadInput;
        }
        return kDone;
    }
    // Written to a file beside it and renamed at the end: the file is whole or not there.
    QSaveFile output(QString::fromStdString(invocation.file));
    if (!output.open(QIODevice::WriteOnly)) {
        console.Say(invocation.file + " cannot be written: " + output.errorString().toStdString());
        return kBadInput;
    }
    output.write(text.data(), static_cast<qint64>(text.size()));
    if (!output.commit()) {
        console.Say(invocation.file +
                    " could not be written: " + output.errorString().toStdString());
        return kBadInput;
    }
    return kDone;
}

int PrintGains(const Console& console) {
    for (int k = 0; k < protocol::kGainItemCount && console.out; ++k)
        console.out << protocol::GainItemText(k) << '\n';
    console.out.flush();
    return kDone;
}

} // namespace tensilo::ctl
