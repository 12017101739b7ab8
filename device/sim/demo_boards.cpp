#include "device/sim/demo_boards.h"

namespace tensilo::device::sim {

std::array<BoardId, 2> DefineDemoBoards(SimulatedBoards& boards) {
    const BoardId first = boards.DefineBoard(SaneBoard("TS-00417"));
    SimBoardConfig config = SaneBoard("TS-00852");
    config.version = 0x0102;
    config.registers = {0x0F, 0x02, 0x08, 0x01, 0x08, 0x00, 0x5E, 0x00, 0x00};
    const BoardId second = boards.DefineBoard(config);

    boards.SetLoad(first, 0.55);
    boards.SetLoad(second, 0.60);
    for (const BoardId id : {first, second}) {
        boards.SetStreaming(id, true);
        boards.Attach(id);
    }
    return {first, second};
}

} // namespace tensilo::device::sim
