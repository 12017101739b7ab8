// list and show: a board's details and settings as the window reads them, in tab-separated lines
// or as JSON. A board's strings are escaped in the lines (Printable): a tab or a newline in a
// serial number never shifts a field or adds a line.
#include "tools/tensiloctl/commands.h"

#include "device/board_access.h"
#include "device/interface_walk.h"
#include "device/read_channel.h"
#include "device/window_state.h"
#include "protocol/gain_text.h"
#include "protocol/hex_text.h"
#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_choice.h"
#include "tools/tensiloctl/board_text.h"
#include "tools/tensiloctl/printable_text.h"

#include "tools/tensiloctl/json_text.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace tensilo::ctl {

namespace {

using protocol::Channel;

using Json = nlohmann::json;

Json TextOrNull(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json();
}

Json VersionOrNull(const std::optional<std::uint16_t>& version) {
    return version ? Json(VersionText(version)) : Json();
}

// One board as list shows it.
struct ListedBoard {
    std::string serial;
    std::string path;
    device::BoardDetails details;
    bool settingsAccepted = false;

    bool GainsSettable() const { return details.AllowsGainChanges() && settingsAccepted; }
};

Json BoardObject(const ListedBoard& board) {
    return Json{{"access", true},
                {"serial", board.serial},
                {"manufacturer", TextOrNull(board.details.manufacturer)},
                {"product", TextOrNull(board.details.product)},
                {"version", VersionOrNull(board.details.version)},
                {"gains_settable", board.GainsSettable()},
                {"path", board.path}};
}

Json RefusedBoardObject(const std::string& path) {
    Json object{{"access", false}, {"path", path}};
    for (const char* unknown : {"serial", "manufacturer", "product", "version", "gains_settable"})
        object[unknown] = nullptr;
    return object;
}

// Every board of the product, each read on the walk's handle, which is closed again.
std::vector<ListedBoard> ReadListedBoards(device::HidApi& hid, device::WalkNotes& notes) {
    std::vector<ListedBoard> boards;
    WindowState walk{};
    device::WalkInterfaces(
        hid, walk,
        [&](const std::string& serial) {
            ListedBoard board;
            board.serial = serial;
            board.path = walk.DevicePath;
            board.details = device::ReadBoardDetails(hid, walk, walk.DeviceHandle);
            walk.Capabilities = {};
            device::ReadDeviceCaps(hid, walk);
            board.settingsAccepted = device::ReadSettingsReport(hid, walk).has_value();
            boards.push_back(std::move(board));
            return device::BoardVerdict::Close;
        },
        &notes);
    return boards;
}

void PrintBoardLines(const std::vector<ListedBoard>& boards,
                     const std::vector<std::string>& refusedPaths, std::ostream& out) {
    for (const ListedBoard& board : boards)
        out << Printable(board.serial) << '\t' << Printable(board.details.manufacturer.value_or(""))
            << '\t' << Printable(board.details.product.value_or("")) << '\t'
            << VersionText(board.details.version) << '\t' << SettableText(board.GainsSettable())
            << '\t' << Printable(board.path) << '\n';
    for (const std::string& path : refusedPaths)
        out << "\t\t\t\tno access\t" << Printable(path) << '\n';
}

Json ShowObject(BoardSession& board, const device::BoardDetails& details,
                const std::optional<std::vector<std::uint8_t>>& report, bool settable) {
    Json object{{"serial", board.Serial()},
                {"manufacturer", TextOrNull(details.manufacturer)},
                {"product", TextOrNull(details.product)},
                {"version", VersionOrNull(details.version)},
                {"gains_settable", settable},
                {"gains", nullptr},
                {"registers", nullptr},
                {"path", board.Path()}};
    if (report) {
        Json gains = Json::object();
        for (const Channel channel : protocol::kChannels) {
            const auto item = protocol::SettingsItem(*report, channel);
            gains[protocol::ChannelName(channel)] =
                item ? Json(protocol::GainValue(*item)) : Json();
        }
        object["gains"] = std::move(gains);
        object["registers"] = Json(std::vector<int>((*report).begin() + 3, (*report).begin() + 12));
    }
    return object;
}

void PrintShowLines(BoardSession& board, const device::BoardDetails& details,
                    const std::optional<std::vector<std::uint8_t>>& report, bool settable,
                    std::ostream& out) {
    out << "serial\t" << Printable(board.Serial()) << '\n'
        << "manufacturer\t" << Printable(details.manufacturer.value_or("")) << '\n'
        << "product\t" << Printable(details.product.value_or("")) << '\n'
        << "version\t" << VersionText(details.version) << '\n'
        << "gains\t" << SettableText(settable) << '\n';
    for (const Channel channel : protocol::kChannels)
        out << protocol::ChannelName(channel) << '\t'
            << (report ? GainText(protocol::SettingsItem(*report, channel)) : "unknown") << '\n';
    out << "registers\t";
    if (report) {
        for (std::size_t r = 0; r < 9; ++r)
            out << (r == 0 ? "" : " ") << protocol::HexDigits((*report)[3 + r], 2);
    } else {
        out << "unknown";
    }
    out << '\n' << "path\t" << Printable(board.Path()) << '\n';
}

int Show(BoardSession& board, bool json, const Console& console) {
    const device::BoardDetails details = board.ReadDetails();
    const auto report = board.ReadSettings();
    const bool settable = details.AllowsGainChanges() && report;
    if (json)
        console.out << JsonText(ShowObject(board, details, report, settable));
    else
        PrintShowLines(board, details, report, settable, console.out);
    if (!report) {
        console.Say(Printable(board.Serial()) + " sends no settings report that can be read");
        return kBoardFault;
    }
    return kDone;
}

} // namespace

int ListBoards(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    device::WalkNotes notes;
    const std::vector<ListedBoard> boards = ReadListedBoards(hid, notes);
    if (invocation.json) {
        Json array = Json::array();
        for (const ListedBoard& board : boards)
            array.push_back(BoardObject(board));
        for (const std::string& path : notes.refusedBoardPaths)
            array.push_back(RefusedBoardObject(path));
        console.out << JsonText(Json{{"boards", std::move(array)}});
    } else {
        PrintBoardLines(boards, notes.refusedBoardPaths, console.out);
    }
    int status = kDone;
    if (!notes.refusedBoardPaths.empty())
        console.SayAccessHint();
    if (boards.empty() && notes.refusedBoardPaths.empty()) {
        console.Say("no Tensilo board is plugged in");
        status = kNoBoard;
    }
    return console.FinishOutput(status);
}

int ShowBoard(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    const int status = WithChosenBoard(hid, invocation.board, console, [&](BoardSession& board) {
        return Show(board, invocation.json, console);
    });
    return console.FinishOutput(status);
}

int PrintGains(const Console& console) {
    for (int k = 0; k < protocol::kGainItemCount && console.out; ++k)
        console.out << protocol::GainItemText(k) << '\n';
    return console.FinishOutput(kDone);
}

} // namespace tensilo::ctl
