// The model test's oracle. It watches a scenario run command by command (also the commands that
// run inside a yield of a tick) and checks, before and after each of them:
//   - DeviceDetected is true exactly when the board whose serial number SerNo shows has its two
//     handles open, and no other handle (device or interface set) is open anywhere. One
//     exception: a user's pick in SerNo while DeviceConfigurable is false changes what the list
//     shows and nothing else, so until the board open then is closed, SerNo may show another
//     serial number;
//   - no close of a handle that was not open, and at most one read event created;
//   - every register write a board takes happens inside a user's gain choice or a press of
//     "Restore default settings" made while GainListsReady, DeviceConfigurable, DeviceDetected
//     and SettingsLoaded were all true, and carries exactly what the chosen items encode;
//   - each gain list holds 0 or 2560 items, each bar is between 0 and its full-scale width;
//   - SerNo can be chosen from exactly when it lists two or more boards, and the timer runs
//     exactly while the window is open.
// The first fault found is kept with the expect lines that show it in a scenario file.
#pragma once

#include "device/sim/sim_board.h"
#include "device/sim/simulated_boards.h"
#include "harness/scenario/scenario_run.h"

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tensilo::model {

// The names of the calls a scenario can make fail, in SimCall order.
inline constexpr std::array<std::string_view, device::sim::kSimCallCount> kCallNames = {
    "open", "attributes", "serial", "manufacturer", "product",
    "caps", "get-feature", "set-feature", "read"};

struct Violation {
    int line = 0;           // the scenario line whose command was running or had just run
    std::string message;
    std::vector<std::string> expects; // scenario lines that fail because of it
};

// What a run exercised, for the test's summary.
struct CheckerCounts {
    std::uint64_t commands = 0;         // commands checked around, nested ones included
    std::uint64_t commandsInYields = 0; // commands run inside a yield of a tick
    std::uint64_t userActions = 0;      // choices and presses
    std::uint64_t writingActions = 0;   // of them, ones that wrote to a board
    std::uint64_t writesChecked = 0;    // register writes compared byte by byte

    CheckerCounts& operator+=(const CheckerCounts& other);
};

class ModelChecker {
public:
    explicit ModelChecker(const scenario::ScenarioRun& run);

    // The run's command observer.
    void OnCommand(const std::vector<scenario::Token>& words, int line, bool done);
    // After each step of the sequence (one or more whole lines).
    void CheckStep(int line);

    const std::optional<Violation>& violation() const { return violation_; }
    const CheckerCounts& counts() const { return counts_; }
    // The calls the scenario has made fail so far, as (board, call).
    std::vector<std::pair<device::sim::BoardId, device::sim::SimCall>> FailingCalls() const;
    bool Failing(device::sim::BoardId board, device::sim::SimCall call) const;

private:
    struct PendingAction {
        int line = 0;
        std::string what;
        std::vector<device::sim::TakenWrite> expected;
    };

    void CheckState(int line);
    void CheckNoWriteSince(int line, std::string_view after);
    void BeginUserAction(const std::vector<scenario::Token>& words, int line);
    void EndUserAction(int line);
    void RecordBoardCommand(const std::vector<scenario::Token>& words);
    // What a gain handler run sends now (three reports), or nothing when it must not send or the
    // open board cannot take a report.
    std::vector<device::sim::TakenWrite> GainWrites(std::string_view list, int item) const;
    bool AllFlagsAllowWrites() const;
    std::optional<device::sim::BoardId> OpenBoard() const;
    std::string WriteLine(const device::sim::TakenWrite& write) const;
    std::string ExpectWrites(const std::vector<device::sim::TakenWrite>& writes) const;
    // Writes as `print writes` shows them, joined by "; " and quoted.
    std::string Joined(const std::vector<device::sim::TakenWrite>& writes) const;
    void Fail(int line, std::string message, std::vector<std::string> expects = {});

    const scenario::ScenarioRun& run_;
    const device::sim::SimulatedBoards& boards_;
    std::set<std::pair<device::sim::BoardId, device::sim::SimCall>> failing_;
    // Device handles of the window that stay open on a board unplugged since they were opened:
    // the board answers no call on them, even once it is plugged in again.
    std::set<device::Handle> staleHandles_;
    // The open board's handle when the user last picked in SerNo while the pick could not act. Such
    // a pick does nothing, so the list may show another serial number than the open board's until
    // the next search rebuilds it.
    std::optional<device::Handle> ignoredSerialPick_;
    std::size_t verifiedWrites_ = 0;
    std::optional<PendingAction> action_;
    std::optional<Violation> violation_;
    CheckerCounts counts_;
    int depth_ = 0; // commands running now: more than one inside a yield
};

} // namespace tensilo::model
