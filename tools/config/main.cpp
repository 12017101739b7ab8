// Tensilo Configuration: the window over the platform's HID backend.
//   tensilo-config [--verbose]
// With --verbose, every platform call that fails is written to standard error with the system's
// reason, for the user whose window shows "No board" or "No access".
#include "app/frm_main.h"
#include "device/failure_log.h"
#include "device/platform_backend.h"
#include "tools/common/display_check.h"

#include <QApplication>

#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#endif

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

#ifdef _WIN32
// A windowed program has no standard error of its own unless one was handed to it: write to the
// console it was started from, if any.
void ReachTheConsole() {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if ((error == nullptr || error == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (std::freopen("CONOUT$", "w", stderr) != nullptr)
            std::cerr.clear();
    }
}
#endif

} // namespace

int main(int argc, char** argv) {
    const bool verbose = TakeVerbose(argc, argv);
#ifdef _WIN32
    if (verbose)
        ReachTheConsole();
#endif
    if (!tensilo::tools::DisplayAvailable("tensilo-config"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tensilo Configuration");
    const auto platform = tensilo::device::MakePlatformHidApi();
    std::unique_ptr<tensilo::device::HidApi> logged;
    if (verbose)
        logged = std::make_unique<tensilo::device::FailureLog>(*platform, std::cerr, "tensilo-config: ");
    tensilo::app::FrmMain window(logged ? *logged : *platform,
                                 tensilo::app::TimerControl::Mode::RealTime);
    window.Form_Load();
    return QApplication::exec();
}
