// The "Simulated boards" window: one row per simulated board with its serial number, a check box
// that plugs it in or pulls it out, and a slider for the load on its cell.
#pragma once

#include <QWidget>

namespace tensilo::device::sim {
class SimulatedBoards;
}

namespace tensilo::demo {

class BoardsWindow final : public QWidget {
public:
    explicit BoardsWindow(device::sim::SimulatedBoards& boards, QWidget* parent = nullptr);
};

} // namespace tensilo::demo
