// Tensilo Configuration: the window over the platform's HID backend.
#include "app/frm_main.h"
#include "device/platform_backend.h"
#include "tools/common/display_check.h"
#include "tools/common/gui_console.h"

#include <QApplication>

int main(int argc, char** argv) {
    tensilo::tools::UseStartingConsole();
    if (!tensilo::tools::DisplayAvailable("tensilo-config"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tensilo Configuration");
    const auto hid = tensilo::device::MakePlatformHidApi();
    tensilo::app::FrmMain window(*hid, tensilo::app::TimerControl::Mode::RealTime);
    window.Form_Load();
    return QApplication::exec();
}
