// Tensilo Configuration: the window over the platform's HID backend.
//   tensilo-config [--verbose] [Qt option...]
// With --verbose, every platform call that fails is written to standard error with the system's
// reason, for the user whose window shows "No board" or "No access".
#include "app/application_setup.h"
#include "app/frm_main.h"
#include "device/failure_log.h"
#include "device/platform_backend.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"
#include "tools/common/window_command_line.h"

#include <QApplication>

#include <array>
#include <iostream>
#include <memory>

namespace {

constexpr std::array<tensilo::tools::OwnOption, 1> kOptions = {{
    {"--verbose", "", "write each platform call that fails on standard error"},
}};

} // namespace

int main(int argc, char** argv) {
    using namespace tensilo;
    tools::UseStartingConsole();
    auto line = tools::ParseWindowCommandLine(argc, argv, kOptions);
    const std::string usage = tools::WindowUsage(
        "tensilo-config", "Sets up Tensilo load-cell interface boards: the window.", kOptions);
    if (const auto status =
            tools::AnswerWithoutWindow(line, "tensilo-config", TENSILO_VERSION, usage))
        return *status;
    const bool verbose = !line.own.empty();
    if (!tools::DisplayAvailable("tensilo-config", line.platform))
        return 1;
    tools::QtArguments qt(line.qt);
    QApplication application(qt.argc(), qt.argv());
    QApplication::setApplicationName("Tensilo Configuration");
    app::PrepareApplication();
    const auto platform = device::MakePlatformHidApi();
    std::unique_ptr<device::HidApi> logged;
    if (verbose)
        logged = std::make_unique<device::FailureLog>(*platform, std::cerr, "tensilo-config: ");
    app::FrmMain window(logged ? *logged : *platform, app::TimerControl::Mode::RealTime);
    window.Form_Load();
    return QApplication::exec();
}
