// tensilo-bench-start: the start of the real window, as the program starts, over one simulated
// board: the application prepared as tensilo-config prepares it, FrmMain with its real-time timer,
// Form_Load (show, scan, open, read-back with three gain lists of 2560 items), then the event loop
// until the first paint, and exit (which closes the window, and so the board, as a user's close
// would). Timed against tensilo-bench-minimal-window by startup.sh. Exits with 1 when the board was
// not opened: that start is not the one measured.
#include "app/application_setup.h"
#include "app/frm_main.h"
#include "bench/bench_support.h"
#include "device/sim/simulated_boards.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace tensilo;
    bench::ChooseOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tensilo Configuration");
    app::PrepareApplication();
    device::sim::SimulatedBoards boards;
    boards.Attach(boards.DefineBoard(device::sim::SaneBoard("A")));
    app::FrmMain window(boards, app::TimerControl::Mode::RealTime);
    bench::QuitAfterFirstPaint(window);
    window.Form_Load();
    const bool opened = window.state().DeviceDetected == kTrue;
    const int status = QApplication::exec();
    return status == 0 && opened ? 0 : 1;
}
