// tensilo-scenario [--system-boards [--plug COMMAND]] FILE...: runs scenario files against the real
// window, over simulated boards or, with --system-boards, over the boards the system sees through
// the platform's own HID backend.
// Exit status: 0 when every expectation held, 1 when one or more did not, 2 on a scenario fault.
#include "device/platform_backend.h"
#include "harness/scenario/scenario_run.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: tensilo-scenario [--system-boards [--plug COMMAND]] FILE...";

// Standard error carries the scenario faults, FILE:LINE: message, and nothing else: the toolkit's
// notes and warnings about its platform are dropped, its critical errors kept.
void KeepOnlyCriticalQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << std::endl;
}

struct Options {
    bool systemBoards = false;
    std::optional<std::string> plugCommand;
    std::vector<std::string> files;
};

// The runner's own options; anything else up to "--", and everything after it, is a file.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (optionsEnded || word.rfind("--", 0) != 0) {
            options.files.emplace_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--system-boards") {
            options.systemBoards = true;
        } else if (word == "--plug") {
            if (i + 1 == argc)
                return std::nullopt;
            options.plugCommand = argv[++i];
        } else if (word.rfind("--plug=", 0) == 0) {
            options.plugCommand = std::string(word.substr(7));
        } else {
            return std::nullopt;
        }
    }
    if (options.files.empty() || (options.plugCommand && !options.systemBoards))
        return std::nullopt;
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::cerr << kUsage << std::endl;
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
    // The toolkit sees the program's name only: it would take options of its own (-platform,
    // -style, -reverse) out of the command line, and the runner's words are no concern of it.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Gains are written with a point, whatever the machine's locale, so that files mean the same
    // everywhere.
    QLocale::setDefault(QLocale::c());

    int status = 0;
    for (const std::string& fileName : options->files) {
        std::ifstream file(fileName);
        if (!file) {
            std::cout.flush();
            std::cerr << fileName << ":0: cannot read the file" << std::endl;
            status = 2;
            continue;
        }
        // Each file starts from a fresh process state: a new backend as well as a new window.
        std::unique_ptr<tensilo::device::HidApi> platformHid;
        std::optional<tensilo::scenario::SystemBoards> system;
        if (options->systemBoards) {
            platformHid = tensilo::device::MakePlatformHidApi();
            system = tensilo::scenario::SystemBoards{platformHid.get(), options->plugCommand.value_or("")};
        }
        {
            tensilo::scenario::ScenarioRun run(fileName, std::cout, std::cerr, system);
            status = std::max(status, static_cast<int>(run.Run(file)));
        }
        std::cout.flush();
    }
    return status;
}
