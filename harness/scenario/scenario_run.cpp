#include "harness/scenario/scenario_run.h"

#include "harness/scenario/plug_command.h"
#include "harness/scenario/window_description.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <istream>
#include <ostream>

namespace tensilo::scenario {

using device::sim::BoardId;

namespace {

constexpr std::array<std::string_view, 10> kActionsAtYield = {
    "choose", "press", "close", "tick", "attach", "detach", "fail", "heal", "hold", "release"};
constexpr std::array<std::string_view, 4> kLists = {"SerNo", "LC_gain", "Pot1", "Pot2"};
// What only a simulated board can do or tell: what a board took is known only to the board.
constexpr std::array<std::string_view, 7> kSimulatedOnly = {"board", "report", "settings", "fail",
                                                            "heal",  "hold",   "release"};
constexpr std::string_view kNotWithSystemBoards = "not available with --system-boards";
// The longest `wait`: ten minutes, far beyond any board's need, short of a hung run.
constexpr std::uint32_t kLongestWait = 600000;

// What `expect NAME.KEY` tells of a board: its handles open now, and its opens since the start.
bool IsBoardCount(const std::string& key) {
    return key == "open" || key == "opened";
}

void NeedWords(const std::vector<Token>& words, std::size_t least, std::size_t most,
               std::string_view usage) {
    if (words.size() < least || words.size() > most)
        throw ScenarioError("usage: " + std::string(usage));
}

} // namespace

ScenarioRun::ScenarioRun(std::string fileName, std::ostream& out, std::ostream& err,
                         std::optional<SystemBoards> system)
    : fileName_(std::move(fileName)), out_(out), err_(err), system_(std::move(system)) {}

ScenarioRun::~ScenarioRun() = default;

RunResult ScenarioRun::Run(std::istream& text) {
    std::string line;
    int lineNumber = 0;
    while (std::getline(text, line)) {
        ++lineNumber;
        if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3); // a byte-order mark some editors put in front of UTF-8
        if (RunLine(line, lineNumber) == RunResult::ScenarioFault)
            return RunResult::ScenarioFault;
    }
    if (!waiting_.empty()) {
        out_.flush();
        err_ << fileName_ << ":" << waiting_.front().line
             << ": at-yield never ran: no tick reached that yield" << std::endl;
        return RunResult::ScenarioFault;
    }
    return expectFailed_ ? RunResult::ExpectFailed : RunResult::Passed;
}

RunResult ScenarioRun::RunLine(std::string_view line, int lineNumber) {
    const auto fault = [&](int at, const std::string& message) {
        out_.flush();
        err_ << fileName_ << ":" << at << ": " << message << std::endl;
        return RunResult::ScenarioFault;
    };
    if (!IsBlankOrComment(line)) {
        try {
            Execute(SplitLine(line), lineNumber);
        } catch (const ScenarioError& error) {
            return fault(lineNumber, error.what());
        }
        if (faultInYield_)
            return fault(faultInYield_->line, faultInYield_->message);
    }
    return expectFailed_ ? RunResult::ExpectFailed : RunResult::Passed;
}

std::vector<int> ScenarioRun::WaitingLines() const {
    std::vector<int> lines;
    for (const WaitingAction& action : waiting_)
        lines.push_back(action.line);
    return lines;
}

void ScenarioRun::Execute(const std::vector<Token>& words, int line) {
    if (observer_) {
        observer_(words, line, false);
        ExecuteCommand(words, line);
        observer_(words, line, true);
    } else {
        ExecuteCommand(words, line);
    }
}

void ScenarioRun::ExecuteCommand(const std::vector<Token>& words, int line) {
    RefuseWithSystemBoards(words);
    const std::string& command = words.front().raw;
    if (system_ && (command == "attach" || command == "detach"))
        PlugCommand(words);
    else if (BoardLines::IsBoardCommand(command))
        boardLines_.Execute(words);
    else if (command == "start") {
        NeedWords(words, 1, 1, "start");
        if (window_)
            throw ScenarioError("the window is started once per file");
        device::HidApi& hid = system_ ? *system_->hid : static_cast<device::HidApi&>(boards_);
        window_ = std::make_unique<app::FrmMain>(hid, app::TimerControl::Mode::Manual,
                                                 [this] { OnYield(); });
        window_->Form_Load();
    } else if (command == "wait")
        Wait(words);
    else if (command == "tick") {
        NeedWords(words, 1, 2, "tick [N]");
        Tick(words.size() == 2 ? ParseNumber(words[1].raw, 1000000000, "tick") : 1);
    } else if (command == "choose")
        Choose(words);
    else if (command == "press")
        Press(words);
    else if (command == "close") {
        NeedWords(words, 1, 1, "close");
        Close();
    } else if (command == "at-yield")
        AtYield(words, line);
    else if (command == "print")
        Print(words);
    else if (command == "expect")
        Expect(words, line);
    else
        throw ScenarioError("unknown command: " + command);
}

// --- boards of the system -----------------------------------------------------------------------

void ScenarioRun::RefuseWithSystemBoards(const std::vector<Token>& words) const {
    if (!system_)
        return;
    const std::string& command = words.front().raw;
    const auto refuses = [&](const std::vector<Token>& sentence) {
        const std::string& first = sentence.front().raw;
        if (std::find(kSimulatedOnly.begin(), kSimulatedOnly.end(), first) != kSimulatedOnly.end())
            return true;
        if (first == "print" && sentence.size() == 2)
            return sentence[1].raw == "writes" || sentence[1].raw == "handles";
        if (first == "expect" && sentence.size() >= 2) {
            const std::string& what = sentence[1].raw;
            const std::size_t dot = what.find('.');
            if (what == "writes" || what.rfind("handles.", 0) == 0)
                return true;
            // NAME.open and NAME.opened name a board; a control of that name has no such value
            // anyway.
            return dot != std::string::npos && IsBoardCount(what.substr(dot + 1)) &&
                   (!window_ || window_->control(what.substr(0, dot)) == nullptr);
        }
        return false;
    };
    // An action waiting for a yield is refused where it is written, not when it would run.
    const bool atYield = command == "at-yield" && words.size() >= 3;
    if (refuses(atYield ? std::vector<Token>(words.begin() + 2, words.end()) : words))
        throw ScenarioError(std::string(kNotWithSystemBoards));
}

void ScenarioRun::PlugCommand(const std::vector<Token>& words) {
    const std::string& command = words.front().raw;
    NeedWords(words, 2, 2, command + " NAME");
    if (system_->plugCommand.empty())
        throw ScenarioError(command + ": no plug command (give --plug COMMAND)");
    RunPlugCommand(system_->plugCommand, command, words[1].raw);
}

void ScenarioRun::Wait(const std::vector<Token>& words) {
    NeedWords(words, 2, 2, "wait MS");
    if (!system_)
        throw ScenarioError("wait: only with --system-boards (simulated time passes by tick)");
    const std::uint32_t milliseconds = ParseNumber(words[1].raw, kLongestWait, "wait");
    // The window's events run meanwhile; its timer is manual and still fires only on `tick`.
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds{milliseconds}, Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

// --- the window and the user ------------------------------------------------------------------

app::FrmMain& ScenarioRun::Window(std::string_view what) const {
    if (!window_)
        throw ScenarioError(std::string(what) + ": the window is not started (use start)");
    return *window_;
}

bool ScenarioRun::WindowOpenFor(std::string_view name) {
    if (Window(name).closed()) {
        out_ << "# frmMain is closed" << '\n';
        return false;
    }
    return true;
}

void ScenarioRun::Tick(std::uint32_t count) {
    // A tick run inside a yield counts its own yields; the outer tick's count goes on where it
    // was, so that the actions waiting for its later yields still meet them.
    const int outerYields = yieldsThisTick_;
    // Before start there is no timer, so nothing ticks.
    for (std::uint32_t i = 0; i < count && window_ && !faultInYield_; ++i) {
        yieldsThisTick_ = 0;
        window_->Timer.fire();
    }
    yieldsThisTick_ = outerYields;
}

void ScenarioRun::OnYield() {
    ++yieldsThisTick_;
    std::vector<WaitingAction> due;
    auto firstDue = std::stable_partition(waiting_.begin(), waiting_.end(), [&](const WaitingAction& action) {
        return action.yieldNumber != yieldsThisTick_;
    });
    due.assign(std::make_move_iterator(firstDue), std::make_move_iterator(waiting_.end()));
    waiting_.erase(firstDue, waiting_.end());
    for (const WaitingAction& action : due) {
        if (faultInYield_)
            return;
        try {
            Execute(action.command, action.line);
        } catch (const ScenarioError& error) {
            faultInYield_ = Located{action.line, error.what()};
        }
    }
}

void ScenarioRun::Choose(const std::vector<Token>& words) {
    NeedWords(words, 3, 3, "choose LIST INDEX");
    const std::string& name = words[1].raw;
    if (std::find(kLists.begin(), kLists.end(), name) == kLists.end())
        throw ScenarioError("choose: not a list: " + name);
    const std::uint32_t index = ParseNumber(words[2].raw, 0x7FFFFFFF, "choose");
    if (!WindowOpenFor(name))
        return;
    auto& list = dynamic_cast<app::ListControl&>(*window_->control(name));
    if (!list.reachable()) {
        out_ << "# " << name << " is disabled" << '\n';
        return;
    }
    if (index >= static_cast<std::uint32_t>(list.count()))
        throw ScenarioError("choose: " + name + " holds no item " + words[2].raw + " (it has " +
                            std::to_string(list.count()) + ")");
    list.choose(static_cast<int>(index));
}

void ScenarioRun::Press(const std::vector<Token>& words) {
    NeedWords(words, 2, 2, "press Command1");
    if (words[1].raw != "Command1")
        throw ScenarioError("press: not a button: " + words[1].raw);
    if (!WindowOpenFor("Command1"))
        return;
    if (!window_->Command1.reachable()) {
        out_ << "# Command1 is disabled" << '\n';
        return;
    }
    qobject_cast<QAbstractButton*>(window_->Command1.widget())->click();
}

void ScenarioRun::Close() {
    if (!WindowOpenFor("close"))
        return;
    window_->close();
}

void ScenarioRun::AtYield(const std::vector<Token>& words, int line) {
    if (words.size() < 3)
        throw ScenarioError("usage: at-yield N COMMAND");
    const auto yieldNumber = static_cast<int>(ParseNumber(words[1].raw, 3, "at-yield"));
    if (yieldNumber < 1)
        throw ScenarioError("at-yield: N is 1, 2 or 3");
    const std::string& action = words[2].raw;
    if (std::find(kActionsAtYield.begin(), kActionsAtYield.end(), action) == kActionsAtYield.end())
        throw ScenarioError("at-yield: " + action + " cannot run inside a yield");
    waiting_.push_back({yieldNumber, std::vector<Token>(words.begin() + 2, words.end()), line});
}

// --- looking ----------------------------------------------------------------------------------

std::vector<std::string> ScenarioRun::HandleLines() const {
    std::vector<std::string> lines;
    for (std::size_t board = 0; board < boardLines_.Names().size(); ++board)
        lines.push_back(boardLines_.Names()[board] +
                        " open=" + std::to_string(boards_.OpenHandles(board)));
    lines.push_back("handles events=" + std::to_string(boards_.EventsCreated()) +
                    " bad-closes=" + std::to_string(boards_.BadCloses()));
    return lines;
}

void ScenarioRun::Print(const std::vector<Token>& words) {
    NeedWords(words, 2, 2, "print window|state|writes|handles");
    const std::string& what = words[1].raw;
    if (what == "window") {
        const app::FrmMain& window = Window("print window");
        out_ << FormatLine("frmMain", DescribeWindow(window)) << '\n';
        for (const app::Control* control : window.controls())
            out_ << FormatLine(control->name(), DescribeControl(window, *control)) << '\n';
    } else if (what == "state") {
        out_ << FormatLine("state", DescribeState(Window("print state").state())) << '\n';
    } else if (what == "writes") {
        const auto lines = boardLines_.TakeWriteLines();
        if (lines.empty())
            out_ << "writes none" << '\n';
        for (const std::string& line : lines)
            out_ << line << '\n';
    } else if (what == "handles") {
        for (const std::string& line : HandleLines())
            out_ << line << '\n';
    } else {
        throw ScenarioError("print: unknown: " + what);
    }
}

ScenarioRun::Actual ScenarioRun::Lookup(const std::string& what) {
    if (what == "writes") {
        std::string joined;
        for (const std::string& line : boardLines_.TakeWriteLines())
            joined += (joined.empty() ? "" : "; ") + line;
        return {joined.empty() ? "none" : joined, false};
    }
    const std::size_t dot = what.find('.');
    if (dot == std::string::npos)
        throw ScenarioError("expect: unknown value: " + what);
    const std::string owner = what.substr(0, dot);
    const std::string key = what.substr(dot + 1);
    const auto find = [&](const PrintedLine& line) -> Actual {
        for (const auto& [name, value] : line)
            if (name == key)
                return {value.text, value.quoted};
        throw ScenarioError("expect: " + owner + " has no value " + key);
    };
    if (owner == "handles") {
        if (key == "events")
            return {std::to_string(boards_.EventsCreated()), false};
        if (key == "bad-closes")
            return {std::to_string(boards_.BadCloses()), false};
        throw ScenarioError("expect: handles has no value " + key);
    }
    const std::vector<std::string>& names = boardLines_.Names();
    if (IsBoardCount(key) && std::find(names.begin(), names.end(), owner) != names.end()) {
        const BoardId board = boardLines_.Board(owner);
        return {std::to_string(key == "open" ? boards_.OpenHandles(board)
                                             : boards_.TimesOpened(board)),
                false};
    }
    if (owner == "state")
        return find(DescribeState(Window("expect state").state()));
    if (owner == "frmMain")
        return find(DescribeWindow(Window("expect frmMain")));
    const app::FrmMain& window = Window("expect " + owner);
    if (const app::Control* control = window.control(owner))
        return find(DescribeControl(window, *control));
    throw ScenarioError("expect: unknown control or board: " + owner);
}

void ScenarioRun::Expect(const std::vector<Token>& words, int line) {
    if (words.size() < 3)
        throw ScenarioError("usage: expect WHAT VALUE");
    const std::string& what = words[1].raw;
    std::string written;
    for (std::size_t i = 2; i < words.size(); ++i)
        written += (i > 2 ? " " : "") + words[i].raw;
    const bool quoted = words.size() == 3 && words[2].quoted;
    const std::string expected = quoted ? Utf16ToUtf8(DecodeStringLiteral(written)) : written;

    const Actual actual = Lookup(what);
    const std::string printed = actual.quoted ? QuoteText(actual.text) : actual.text;
    // A quoted value is compared with the text; a bare one with the value as printed (or, for a
    // text printed in quotes, with the text itself).
    const bool holds = quoted ? expected == actual.text
                              : (expected == printed || (actual.quoted && expected == actual.text));
    if (!holds) {
        expectFailed_ = true;
        const bool quoteActual = !actual.quoted && actual.text.find(' ') != std::string::npos;
        out_ << fileName_ << ":" << line << ": expected " << what << " " << written << ", got "
             << (quoteActual ? QuoteText(printed) : printed) << '\n';
    }
}

} // namespace tensilo::scenario
