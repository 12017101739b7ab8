// The demo's hidden options, for tests and screenshots: run for a given simulated time instead of
// real time, report what the window shows, and save pictures of both windows.
//   --self-check-ms N    advance the boards' clock by N ms in 10 ms steps, letting window events
//                        run after each step and ticking the polling timer at its interval; print
//                        the listed serial numbers, the bars' widths and whether both windows are
//                        wholly on the screen; exit 0 when both boards are listed, every bar
//                        moved and both windows are on the screen, else 1
//   --grab-window FILE   after the run, save a picture of the main window (PNG)
//   --grab-boards FILE   after the run, save a picture of the "Simulated boards" window
//   --grab-tooltip FILE  after the run, show the load cell bar's tool tip as a pointer resting
//                        on its track would, and save a picture of the outputs with it
#pragma once

#include <QString>
#include <QStringList>

namespace tensilo::app {
class FrmMain;
}
namespace tensilo::device::sim {
class SimulatedBoards;
}

class QWidget;

namespace tensilo::demo {

struct DemoOptions {
    int selfCheckMs = 0; // 0: run in real time until the window is closed
    QString grabWindow;
    QString grabBoards;
    QString grabTooltip;
    QString error; // set when the arguments make no sense
};

// `arguments`: the demo's own options and their values, without the program's name.
DemoOptions ParseOptions(const QStringList& arguments);

// Runs the window for options.selfCheckMs of simulated time, moving the boards' clock by hand,
// reports, and saves the pictures; returns the exit status.
int RunSelfCheck(const DemoOptions& options, app::FrmMain& window, QWidget& boardsWindow,
                 device::sim::SimulatedBoards& boards);

} // namespace tensilo::demo
