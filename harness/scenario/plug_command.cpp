#include "harness/scenario/plug_command.h"

#include "harness/scenario/scenario_text.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <iostream>

namespace tensilo::scenario {

void RunPlugCommand(const std::string& command, std::string_view action, const std::string& name) {
    const std::string what = std::string(action) + " " + name;
    QStringList words = QProcess::splitCommand(QString::fromStdString(command));
    if (words.isEmpty())
        throw ScenarioError(what + ": the plug command is empty");
    const QString program = words.takeFirst();
    words << QString::fromUtf8(action.data(), static_cast<qsizetype>(action.size()))
          << QString::fromStdString(name);

    // What the command prints goes where the runner's own output goes, after what came before.
    std::cout.flush();
    std::cerr.flush();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(program, words);
    if (!process.waitForStarted(-1))
        throw ScenarioError(what + ": cannot run the plug command " + program.toStdString() + ": " +
                            process.errorString().toStdString());
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        throw ScenarioError(what + ": the plug command ended abnormally");
    if (process.exitCode() != 0)
        throw ScenarioError(what + ": the plug command exited with status " +
                            std::to_string(process.exitCode()));
}

} // namespace tensilo::scenario
