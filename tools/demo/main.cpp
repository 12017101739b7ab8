// Tensilo Configuration demo: the real window over two simulated boards that stream live values,
// beside a small window to plug them in and out and to change the load on their cells.
#include "app/frm_main.h"
#include "device/sim/demo_boards.h"
#include "device/sim/simulated_boards.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"
#include "tools/common/window_command_line.h"
#include "tools/demo/boards_window.h"
#include "tools/demo/self_check.h"
#include "tools/demo/window_placement.h"

#include <QApplication>

#include <array>
#include <iostream>

namespace {

constexpr std::array<tensilo::tools::OwnOption, 4> kOptions = {{
    {"--self-check-ms", "MS", "run MS ms of simulated time at once, then report and exit"},
    {"--grab-window", "FILE", "after the run, save the main window as a PNG picture"},
    {"--grab-boards", "FILE", "after the run, save the Simulated boards window"},
    {"--grab-tooltip", "FILE", "after the run, save a bar's tool tip over the window"},
}};

} // namespace

int main(int argc, char** argv) {
    using namespace tensilo;
    tools::UseStartingConsole();
    auto line = tools::ParseWindowCommandLine(argc, argv, kOptions);
    const std::string usage = tools::WindowUsage(
        "tensilo-demo", "The Tensilo Configuration window over two simulated boards.", kOptions);
    if (const auto status =
            tools::AnswerWithoutWindow(line, "tensilo-demo", TENSILO_VERSION, usage))
        return *status;
    QStringList own;
    for (const std::string& argument : line.own)
        own << QString::fromStdString(argument);
    const auto options = demo::ParseOptions(own);
    if (!options.error.isEmpty()) {
        std::cerr << "tensilo-demo: " << options.error.toStdString() << "\n" << usage;
        return 2;
    }
    if (!tools::DisplayAvailable("tensilo-demo", line.platform))
        return 1;
    tools::QtArguments qt(line.qt);
    QApplication application(qt.argc(), qt.argv());
    QApplication::setApplicationName("Tensilo Configuration demo");
    const bool selfCheck = options.selfCheckMs > 0;

    // Declared first, so that the boards outlive the windows that hold handles on them.
    device::sim::SimulatedBoards boards;
    device::sim::DefineDemoBoards(boards);

    // In a self-check the polling timer follows simulated time; otherwise it runs on its own.
    using Mode = app::TimerControl::Mode;
    app::FrmMain window(boards, selfCheck ? Mode::Manual : Mode::RealTime);
    demo::BoardsWindow boardsWindow(boards);
    // Closing the main window ends the demo; this one does not keep it running.
    boardsWindow.setAttribute(Qt::WA_QuitOnClose, false);

    window.Form_Load();
    // Placed once both are shown, when their frames' sizes are known.
    boardsWindow.show();
    demo::PlaceDemoWindows(window, boardsWindow);

    if (selfCheck)
        return demo::RunSelfCheck(options, window, boardsWindow, boards);
    // The keyboard starts in the tool's window, at the first control of its focus order, also
    // where no window manager gives the focus to a new window.
    window.activateWindow();
    boards.FollowRealTime();
    return QApplication::exec();
}
