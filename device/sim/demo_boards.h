// The demo's two simulated boards, set up one way for every program that shows them: the demo
// window and tensiloctl --demo.
#pragma once

#include "device/sim/simulated_boards.h"

#include <array>

namespace tensilo::device::sim {

// TS-00417 as shipped (version 1.1, the default gains: load cell 500, potentiometers 1) and
// TS-00852, a newer board (version 1.2) set up by hand with load cell 700 and potentiometer 1 at
// 2, so that switching boards and restoring the defaults both show. Both stream, with loads of
// 0.55 and 0.60 on their cells, and are plugged in, in that order. Returns their ids.
std::array<BoardId, 2> DefineDemoBoards(SimulatedBoards& boards);

} // namespace tensilo::device::sim
