// One scenario file run against the real window and simulated boards: a fresh window, fresh
// boards, a manual timer and a scripted yield that runs the file's at-yield actions. The same run
// can drive the platform's own boards instead, plugged in and out by a command.
#pragma once

#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"
#include "harness/scenario/board_lines.h"
#include "harness/scenario/scenario_text.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::scenario {

enum class RunResult { Passed = 0, ExpectFailed = 1, ScenarioFault = 2 };

// A run over the boards the system sees, instead of simulated ones.
struct SystemBoards {
    device::HidApi* hid = nullptr; // the platform's backend, outliving the run
    std::string plugCommand;       // run for attach and detach; empty when none was given
};

class ScenarioRun {
public:
    ScenarioRun(std::string fileName, std::ostream& out, std::ostream& err,
                std::optional<SystemBoards> system = std::nullopt);
    ~ScenarioRun();

    // Runs the file's lines in order. Output goes to `out`; a scenario fault is reported on `err`
    // as FILE:LINE: message and ends the run.
    RunResult Run(std::istream& text);

    // For tools that write a scenario as they run it (the randomized model test): runs one line
    // as line `lineNumber` of the file, exactly as Run does. Returns ScenarioFault after a fault
    // (reported on `err`; the run must then stop), else ExpectFailed once any expect has failed.
    RunResult RunLine(std::string_view line, int lineNumber);
    // The lines whose at-yield action still waits for a tick.
    std::vector<int> WaitingLines() const;
    // Called before (done false) and after (done true) every command the run executes, also one
    // that runs inside a yield; `line` is the line that holds the command.
    using CommandObserver = std::function<void(const std::vector<Token>& words, int line, bool done)>;
    void SetCommandObserver(CommandObserver observer) { observer_ = std::move(observer); }
    // What the run works on: the window (none before start), the boards and their names.
    const app::FrmMain* window() const { return window_.get(); }
    const device::sim::SimulatedBoards& boards() const { return boards_; }
    const std::vector<std::string>& boardNames() const { return boardLines_.Names(); }

private:
    struct Located {
        int line;
        std::string message;
    };
    struct WaitingAction {
        int yieldNumber;
        std::vector<Token> command;
        int line;
    };

    void Execute(const std::vector<Token>& words, int line);
    void ExecuteCommand(const std::vector<Token>& words, int line);
    void PlugCommand(const std::vector<Token>& words);
    void Wait(const std::vector<Token>& words);
    // Throws for what only simulated boards can do, when the run is over the system's boards.
    void RefuseWithSystemBoards(const std::vector<Token>& words) const;
    void Tick(std::uint32_t count);
    void Choose(const std::vector<Token>& words);
    void Press(const std::vector<Token>& words);
    void Close();
    void AtYield(const std::vector<Token>& words, int line);
    void Print(const std::vector<Token>& words);
    void Expect(const std::vector<Token>& words, int line);
    void OnYield();

    app::FrmMain& Window(std::string_view what) const;
    // The user can act only on a started window that is still open.
    bool WindowOpenFor(std::string_view name);
    std::vector<std::string> HandleLines() const;
    // The printed value named by WHAT, and whether it is printed quoted.
    struct Actual {
        std::string text;
        bool quoted = false;
    };
    Actual Lookup(const std::string& what);

    std::string fileName_;
    std::ostream& out_;
    std::ostream& err_;
    device::sim::SimulatedBoards boards_;
    std::optional<SystemBoards> system_;
    BoardLines boardLines_{boards_};
    std::unique_ptr<app::FrmMain> window_;
    std::vector<WaitingAction> waiting_;
    int yieldsThisTick_ = 0;
    std::optional<Located> faultInYield_;
    bool expectFailed_ = false;
    CommandObserver observer_;
};

} // namespace tensilo::scenario
