// Tensilo Configuration demo: the real window over two simulated boards that stream live values,
// beside a small window to plug them in and out and to change the load on their cells.
#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"
#include "tools/demo/boards_window.h"
#include "tools/demo/self_check.h"
#include "tools/demo/sim_clock.h"
#include "tools/demo/window_placement.h"

#include <QApplication>

#include <iostream>

namespace {

using tensilo::device::sim::SimulatedBoards;

void DefineDemoBoards(SimulatedBoards& boards) {
    // As shipped: the default gains (load cell 500, potentiometers 1).
    const auto first = boards.DefineBoard(tensilo::device::sim::SaneBoard("TS-00417"));
    // A newer board set up by hand: load cell 700, potentiometer 1 at 2, so that switching
    // boards and restoring the defaults both show.
    auto config = tensilo::device::sim::SaneBoard("TS-00852");
    config.version = 0x0102;
    config.registers = {0x0F, 0x02, 0x08, 0x01, 0x08, 0x00, 0x5E, 0x00, 0x00};
    const auto second = boards.DefineBoard(config);

    boards.SetLoad(first, 0.55);
    boards.SetLoad(second, 0.60);
    for (const auto id : {first, second}) {
        boards.SetStreaming(id, true);
        boards.Attach(id);
    }
}

} // namespace

int main(int argc, char** argv) {
    tensilo::tools::UseStartingConsole();
    if (!tensilo::tools::DisplayAvailable("tensilo-demo"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tensilo Configuration demo");
    const auto options = tensilo::demo::ParseOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::cerr << "tensilo-demo: " << options.error.toStdString() << "\n";
        return 2;
    }
    const bool selfCheck = options.selfCheckMs > 0;

    // Declared first, so that the boards outlive the windows that hold handles on them.
    SimulatedBoards boards;
    DefineDemoBoards(boards);
    tensilo::demo::SimClock clock(boards);

    // In a self-check the polling timer follows simulated time; otherwise it runs on its own.
    using Mode = tensilo::app::TimerControl::Mode;
    tensilo::app::FrmMain window(boards, selfCheck ? Mode::Manual : Mode::RealTime);
    tensilo::demo::BoardsWindow boardsWindow(boards);
    // Closing the main window ends the demo; this one does not keep it running.
    boardsWindow.setAttribute(Qt::WA_QuitOnClose, false);

    window.Form_Load();
    // Placed once both are shown, when their frames' sizes are known.
    boardsWindow.show();
    tensilo::demo::PlaceDemoWindows(window, boardsWindow);

    if (selfCheck)
        return tensilo::demo::RunSelfCheck(options, window, boardsWindow, boards, clock);
    clock.StartRealTime();
    return QApplication::exec();
}
