// Tensilo Configuration demo: the real window over two simulated boards that stream live values,
// beside a small window to plug them in and out and to change the load on their cells.
#include "app/frm_main.h"
#include "device/sim/demo_boards.h"
#include "device/sim/simulated_boards.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"
#include "tools/demo/boards_window.h"
#include "tools/demo/self_check.h"
#include "tools/demo/window_placement.h"

#include <QApplication>

#include <iostream>

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
    tensilo::device::sim::SimulatedBoards boards;
    tensilo::device::sim::DefineDemoBoards(boards);

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
        return tensilo::demo::RunSelfCheck(options, window, boardsWindow, boards);
    boards.FollowRealTime();
    return QApplication::exec();
}
