// tensilo-scenario FILE...: runs scenario files against the real window and simulated boards.
// Exit status: 0 when every expectation held, 1 when one or more did not, 2 on a scenario fault.
#include "tools/scenario/scenario_run.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

namespace {

// Standard error carries the scenario faults, FILE:LINE: message, and nothing else: the toolkit's
// notes and warnings about its platform are dropped, its critical errors kept.
void KeepOnlyCriticalQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: tensilo-scenario FILE..." << std::endl;
        return 2;
    }
    // Without a display the window is realised by Qt's offscreen platform.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder; without one it complains on every run.
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        runtimeDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tensilo-scenario-XXXXXX");
        if (runtimeDir->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    }
    qInstallMessageHandler(KeepOnlyCriticalQtMessages);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Gains are written with a point, whatever the machine's locale, so that files mean the same
    // everywhere.
    QLocale::setDefault(QLocale::c());

    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i]);
        if (!file) {
            std::cout.flush();
            std::cerr << argv[i] << ":0: cannot read the file" << std::endl;
            status = 2;
            continue;
        }
        tensilo::scenario::ScenarioRun run(argv[i], std::cout, std::cerr);
        status = std::max(status, static_cast<int>(run.Run(file)));
        std::cout.flush();
    }
    return status;
}
