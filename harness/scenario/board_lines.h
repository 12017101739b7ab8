// The lines of a test file that define simulated boards and steer them, as scenario files write
// them: `board NAME key=value...`, `attach`, `detach`, `report`, `settings`, `fail`, `heal`,
// `hold` and `release` (another program takes the board's write lock, and lets it go), and the
// register writes the boards took, printed as `print writes` prints them. Without Qt, so
// that the scenario runner and tensiloctl's case files read boards alike.
#pragma once

#include "device/sim/simulated_boards.h"
#include "harness/scenario/scenario_text.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tensilo::scenario {

// A platform call by the name the lines give it: open, attributes, serial, manufacturer, product,
// caps, get-feature, set-feature, read. Throws ScenarioError for any other word.
device::sim::SimCall ParseCall(const std::string& word);

class BoardLines {
public:
    explicit BoardLines(device::sim::SimulatedBoards& boards) : boards_(boards) {}

    // Whether `command` is one of the lines above.
    static bool IsBoardCommand(const std::string& command);

    // Runs one such line; throws ScenarioError for a mistake in it.
    void Execute(const std::vector<Token>& words);

    // The board called `name`; throws ScenarioError when there is none.
    device::sim::BoardId Board(const std::string& name) const;
    // Boards defined here and elsewhere (as the demo's are), by name, in definition order.
    void Name(device::sim::BoardId board, const std::string& name);
    const std::vector<std::string>& Names() const { return names_; }

    // The register writes the boards took since the last call, one line each, oldest first: the
    // board's name, then every byte of the report as sent, two upper-case hex digits each.
    std::vector<std::string> TakeWriteLines();

private:
    void Define(const std::vector<Token>& words);

    device::sim::SimulatedBoards& boards_;
    std::vector<std::string> names_;
    std::size_t writesTaken_ = 0;
};

} // namespace tensilo::scenario
