// Tensilo Configuration: the window over the platform's HID backend.
//   tensilo-config [--verbose]
// With --verbose, every platform call that fails is written to standard error with the system's
// reason, for the user whose window shows "No board" or "No access".
#include "app/application_setup.h"
#include "app/frm_main.h"
#include "device/failure_log.h"
#include "device/platform_backend.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"

#include <QApplication>

#include <cstring>
#include <iostream>
#include <memory>

namespace {

// Takes --verbose out of the command line, so that the toolkit sees only what is meant for it.
bool TakeVerbose(int& argc, char** argv) {
    bool verbose = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0)
            verbose = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return verbose;
}

} // namespace

int main(int argc, char** argv) {
    tensilo::tools::UseStartingConsole();
    const bool verbose = TakeVerbose(argc, argv);
    if (!tensilo::tools::DisplayAvailable("tensilo-config"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tensilo Configuration");
    tensilo::app::PrepareApplication();
    const auto platform = tensilo::device::MakePlatformHidApi();
    std::unique_ptr<tensilo::device::HidApi> logged;
    if (verbose)
        logged = std::make_unique<tensilo::device::FailureLog>(*platform, std::cerr, "tensilo-config: ");
    tensilo::app::FrmMain window(logged ? *logged : *platform,
                                 tensilo::app::TimerControl::Mode::RealTime);
    window.Form_Load();
    return QApplication::exec();
}
