#include "tests/model/model_checker.h"

#include "device/device_string_text.h"
#include "protocol/device_strings.h"
#include "protocol/gain_items.h"
#include "protocol/hex_text.h"
#include "protocol/register_write.h"
#include "harness/scenario/scenario_text.h"

#include <algorithm>
#include <sstream>

namespace tensilo::model {

using device::sim::BoardId;
using device::sim::SimCall;
using device::sim::TakenWrite;

namespace {

constexpr int kListItems = 2560;
constexpr float kFullScaleBarWidth = 4611.0f;
constexpr int kDefaultLoadCellItem = 2292;

std::optional<SimCall> CallNamed(std::string_view name) {
    for (std::size_t i = 0; i < kCallNames.size(); ++i)
        if (kCallNames[i] == name)
            return static_cast<SimCall>(i);
    return std::nullopt;
}

std::optional<protocol::Channel> ChannelOf(std::string_view list) {
    if (list == "LC_gain")
        return protocol::Channel::LoadCell;
    if (list == "Pot1")
        return protocol::Channel::Pot1;
    if (list == "Pot2")
        return protocol::Channel::Pot2;
    return std::nullopt;
}

// The serial number as the window lists it: the device-string request offers 100 bytes.
std::string ListedSerial(const std::u16string& serial) {
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> buffer{};
    std::size_t position = 0;
    for (char16_t unit : serial) {
        if (position + 2 > protocol::kDeviceStringRequestLength)
            break;
        buffer[position++] = static_cast<std::uint8_t>(unit & 0xFF);
        buffer[position++] = static_cast<std::uint8_t>(unit >> 8);
    }
    return device::DeviceStringText(buffer);
}

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

} // namespace

CheckerCounts& CheckerCounts::operator+=(const CheckerCounts& other) {
    commands += other.commands;
    commandsInYields += other.commandsInYields;
    userActions += other.userActions;
    writingActions += other.writingActions;
    writesChecked += other.writesChecked;
    return *this;
}

ModelChecker::ModelChecker(const scenario::ScenarioRun& run) : run_(run), boards_(run.boards()) {}

std::vector<std::pair<BoardId, SimCall>> ModelChecker::FailingCalls() const {
    return {failing_.begin(), failing_.end()};
}

bool ModelChecker::Failing(BoardId board, SimCall call) const {
    return failing_.count({board, call}) != 0;
}

void ModelChecker::Fail(int line, std::string message, std::vector<std::string> expects) {
    if (!violation_)
        violation_ = Violation{line, std::move(message), std::move(expects)};
}

void ModelChecker::OnCommand(const std::vector<scenario::Token>& words, int line, bool done) {
    depth_ += done ? -1 : 1;
    if (violation_ || words.empty())
        return;
    const std::string& command = words.front().raw;
    const bool userAction = command == "choose" || command == "press";
    if (!done) {
        ++counts_.commands;
        if (depth_ > 1)
            ++counts_.commandsInYields;
        if (userAction)
            ++counts_.userActions;
        CheckState(line);
        CheckNoWriteSince(line, "before " + command);
        if (userAction)
            BeginUserAction(words, line);
        return;
    }
    if (userAction)
        EndUserAction(line);
    else
        CheckNoWriteSince(line, command);
    RecordBoardCommand(words);
    CheckState(line);
}

void ModelChecker::CheckStep(int line) {
    if (violation_)
        return;
    CheckNoWriteSince(line, "the step");
    CheckState(line);
}

// --- what the boards were told -----------------------------------------------------------------

void ModelChecker::RecordBoardCommand(const std::vector<scenario::Token>& words) {
    const std::string& command = words.front().raw;
    if (words.size() < 2)
        return;
    const auto& names = run_.boardNames();
    const auto named = std::find(names.begin(), names.end(), words[1].raw);
    if (named == names.end())
        return;
    const auto board = static_cast<BoardId>(named - names.begin());
    if ((command == "fail" || command == "heal") && words.size() == 3) {
        if (const auto call = CallNamed(words[2].raw)) {
            if (command == "fail")
                failing_.insert({board, *call});
            else
                failing_.erase({board, *call});
        }
    } else if (command == "detach") {
        // A handle of the window that stays open on the unplugged board is dead from now on.
        const app::FrmMain* window = run_.window();
        if (window && window->state().DeviceDetected == kTrue && boards_.OpenHandles(board) == 2)
            staleHandles_.insert(window->state().DeviceHandle);
    }
}

// --- register writes ---------------------------------------------------------------------------

std::optional<BoardId> ModelChecker::OpenBoard() const {
    for (BoardId board = 0; board < boards_.BoardCount(); ++board)
        if (boards_.OpenHandles(board) == 2)
            return board;
    return std::nullopt;
}

bool ModelChecker::AllFlagsAllowWrites() const {
    const WindowState& state = run_.window()->state();
    return state.GainListsReady == kTrue && state.DeviceConfigurable == kTrue &&
           state.DeviceDetected == kTrue && state.SettingsLoaded == kTrue;
}

std::vector<TakenWrite> ModelChecker::GainWrites(std::string_view list, int item) const {
    const WindowState& state = run_.window()->state();
    const auto channel = ChannelOf(list);
    const auto board = OpenBoard();
    const std::size_t length = state.Capabilities.FeatureReportByteLength;
    if (!channel || !board || !AllFlagsAllowWrites() || length < protocol::kRegisterWriteMinLength)
        return {};
    // The board takes nothing while it is unplugged, refuses feature writes, or the handle was
    // opened before it was last unplugged.
    if (!boards_.IsAttached(*board) || Failing(*board, SimCall::SetFeature) ||
        staleHandles_.count(state.DeviceHandle) != 0)
        return {};
    std::vector<TakenWrite> writes;
    for (const protocol::RegisterWrite& write : protocol::GainSelectionWrites(*channel, item)) {
        TakenWrite taken{*board, std::vector<std::uint8_t>(length, 0)};
        protocol::FillRegisterWrite(taken.report, write);
        writes.push_back(std::move(taken));
    }
    return writes;
}

void ModelChecker::BeginUserAction(const std::vector<scenario::Token>& words, int line) {
    PendingAction action;
    action.line = line;
    action.what = words.front().raw;
    for (std::size_t i = 1; i < words.size(); ++i)
        action.what += " " + words[i].raw;
    const app::FrmMain* window = run_.window();
    if (window && !window->closed()) {
        const WindowState& state = window->state();
        if (words.front().raw == "choose" && words.size() == 3 && words[1].raw == "SerNo" &&
            window->SerNo.reachable() && state.DeviceConfigurable != kTrue &&
            state.DeviceDetected == kTrue)
            ignoredSerialPick_ = state.DeviceHandle;
        if (words.front().raw == "press") {
            if (window->Command1.reachable())
                for (const auto& [list, item] : {std::pair<std::string_view, int>{"Pot1", 0},
                                                 {"Pot2", 0},
                                                 {"LC_gain", kDefaultLoadCellItem}}) {
                    auto writes = GainWrites(list, item);
                    action.expected.insert(action.expected.end(), writes.begin(), writes.end());
                }
        } else if (words.size() == 3) {
            const auto* list = dynamic_cast<const app::ListControl*>(window->control(words[1].raw));
            if (list && list->reachable()) {
                const auto item = static_cast<int>(scenario::ParseNumber(words[2].raw, 0x7FFFFFFF, "item"));
                action.expected = GainWrites(words[1].raw, item);
            }
        }
    }
    action_ = std::move(action);
}

void ModelChecker::EndUserAction(int line) {
    if (!action_)
        return;
    const PendingAction action = std::move(*action_);
    action_.reset();
    const auto& taken = boards_.TakenWrites();
    const std::vector<TakenWrite> sent(taken.begin() + static_cast<std::ptrdiff_t>(verifiedWrites_),
                                       taken.end());
    const bool same = sent.size() == action.expected.size() &&
                      std::equal(sent.begin(), sent.end(), action.expected.begin(),
                                 [](const TakenWrite& a, const TakenWrite& b) {
                                     return a.board == b.board && a.report == b.report;
                                 });
    if (!same) {
        std::ostringstream message;
        message << "`" << action.what << "` (line " << action.line << ") wrote "
                << (sent.empty() ? std::string("nothing") : Joined(sent)) << "; the model expects "
                << (action.expected.empty() ? std::string("nothing") : Joined(action.expected));
        // Every write before this action was checked, so `print writes` should show those
        // followed by what the action should have sent.
        std::vector<TakenWrite> should(taken.begin(),
                                       taken.begin() + static_cast<std::ptrdiff_t>(verifiedWrites_));
        should.insert(should.end(), action.expected.begin(), action.expected.end());
        Fail(line, message.str(), {ExpectWrites(should)});
    }
    if (!sent.empty())
        ++counts_.writingActions;
    counts_.writesChecked += sent.size();
    verifiedWrites_ = taken.size();
}

void ModelChecker::CheckNoWriteSince(int line, std::string_view after) {
    const auto& taken = boards_.TakenWrites();
    if (taken.size() == verifiedWrites_ || action_)
        return;
    const auto checkedEnd = taken.begin() + static_cast<std::ptrdiff_t>(verifiedWrites_);
    Fail(line,
         "a board took a register write outside any user's gain choice (during " +
             std::string(after) + "): " + Joined({checkedEnd, taken.end()}),
         {ExpectWrites({taken.begin(), checkedEnd})});
    verifiedWrites_ = taken.size();
}

std::string ModelChecker::WriteLine(const TakenWrite& write) const {
    std::string text = run_.boardNames().at(write.board);
    for (std::uint8_t byte : write.report)
        text += ' ' + protocol::HexDigits(byte, 2);
    return text;
}

std::string ModelChecker::Joined(const std::vector<TakenWrite>& writes) const {
    std::string joined;
    for (const TakenWrite& write : writes)
        joined += (joined.empty() ? "" : "; ") + WriteLine(write);
    return "\"" + joined + "\"";
}

std::string ModelChecker::ExpectWrites(const std::vector<TakenWrite>& writes) const {
    return "expect writes " + (writes.empty() ? std::string("none") : Joined(writes));
}

// --- the state between commands ----------------------------------------------------------------

void ModelChecker::CheckState(int line) {
    if (violation_)
        return;
    if (boards_.BadCloses() != 0)
        return Fail(line, std::to_string(boards_.BadCloses()) + " close(s) of a handle that was not open",
                    {"expect handles.bad-closes 0"});
    if (boards_.EventsCreated() > 1)
        return Fail(line, std::to_string(boards_.EventsCreated()) + " read events created",
                    {"expect handles.events 1"});
    const auto& names = run_.boardNames();
    const app::FrmMain* window = run_.window();
    const int totalOpen = boards_.TotalOpenHandles();
    if (!window) {
        if (totalOpen != 0)
            Fail(line, std::to_string(totalOpen) + " handle(s) open before the window started");
        return;
    }
    const WindowState& state = window->state();

    for (const auto& [name, flag] : {std::pair<const char*, Flag>{"DeviceDetected", state.DeviceDetected},
                                     {"SettingsLoaded", state.SettingsLoaded},
                                     {"DeviceChanged", state.DeviceChanged},
                                     {"GainListsReady", state.GainListsReady},
                                     {"DeviceConfigurable", state.DeviceConfigurable}})
        if (flag != kTrue && flag != kFalse)
            return Fail(line, std::string(name) + " holds " + std::to_string(flag) + ", neither true nor false");

    // The open board and the handles.
    std::vector<std::string> openExpects;
    for (BoardId board = 0; board < names.size(); ++board)
        if (boards_.OpenHandles(board) != 0)
            openExpects.push_back("expect " + names[board] + ".open 0");
    if (state.DeviceDetected != kTrue) {
        if (totalOpen != 0)
            return Fail(line,
                        "no board is open (DeviceDetected false), yet " + std::to_string(totalOpen) +
                            " handle(s) are open",
                        openExpects);
    } else {
        const auto board = OpenBoard();
        if (!board || totalOpen != 2)
            return Fail(line,
                        "DeviceDetected is true, yet " + std::to_string(totalOpen) +
                            " handle(s) are open" + (board ? "" : " and no board has its two handles open"),
                        {"expect state.DeviceDetected no"});
        const std::string shown = window->SerNo.text().toStdString();
        const auto& serial = boards_.Config(*board).serial;
        const bool pickIgnored = ignoredSerialPick_ == state.DeviceHandle;
        if (!serial || (ListedSerial(*serial) != shown && !pickIgnored))
            return Fail(line,
                        "board " + names[*board] + " is open, but SerNo shows \"" + shown + "\"",
                        {serial ? "expect SerNo.text " + scenario::QuoteText(ListedSerial(*serial))
                                : "expect " + names[*board] + ".open 0"});
    }
    if (window->closed()) {
        if (state.DeviceDetected == kTrue || totalOpen != 0)
            return Fail(line, "the window is closed, yet a board is open", openExpects);
    }

    // The controls.
    for (const app::ListControl* list : {&window->LC_gain, &window->Pot1, &window->Pot2})
        if (list->count() != 0 && list->count() != kListItems)
            return Fail(line,
                        std::string(list->name()) + " holds " + std::to_string(list->count()) + " items",
                        {"expect " + std::string(list->name()) + ".items 2560"});
    for (const app::RectControl* bar : {&window->LC_bar, &window->Pot1_bar, &window->Pot2_bar}) {
        const float width = bar->width();
        if (!(width >= 0.0f && width <= kFullScaleBarWidth))
            return Fail(line,
                        std::string(bar->name()) + " is " + std::to_string(width) + " twips wide",
                        {"expect " + std::string(bar->name()) + ".width " +
                         (width > kFullScaleBarWidth ? "4611" : "0")});
    }
    const bool choosable = window->SerNo.count() >= 2;
    if (window->SerNo.enabled() != choosable)
        return Fail(line,
                    "SerNo lists " + std::to_string(window->SerNo.count()) + " board(s) and is " +
                        (window->SerNo.enabled() ? "enabled" : "disabled"),
                    {"expect SerNo.enabled " + YesNo(choosable)});
    if (window->Timer.enabled() == window->closed())
        return Fail(line,
                    std::string("the timer is ") + (window->Timer.enabled() ? "enabled" : "disabled") +
                        " while the window is " + (window->closed() ? "closed" : "open"),
                    {"expect Timer.enabled " + YesNo(!window->closed())});
}

} // namespace tensilo::model
