#include "tools/tensiloctl/ctl_run.h"

#include "device/failure_log.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/commands.h"
#include "tools/tensiloctl/help_text.h"
#include "tools/tensiloctl/watch.h"

#include <ostream>
#include <sstream>

#ifndef TENSILO_VERSION
#error "TENSILO_VERSION is the project's version, set by the build"
#endif

namespace tensilo::ctl {

void Console::Say(std::string_view sentence) const {
    // What standard output holds so far comes first, as it would on a terminal.
    out.flush();
    err << "tensiloctl: " << sentence << '\n' << std::flush;
}

void Console::SayAccessHint() const {
    std::istringstream hint(accessHint ? accessHint() : std::string());
    for (std::string line; std::getline(hint, line);)
        Say(line);
}

int Console::FinishOutput(int status) const {
    out.flush();
    const auto fault = output.Fault();
    if (!fault || fault->readerGone)
        return status;
    Say("standard output: " + fault->reason);
    return status > kBoardFault ? status : kBoardFault;
}

namespace {

int RunCommand(const Invocation& invocation, device::HidApi& boards, const Console& console) {
    switch (invocation.command) {
    case Command::List:
        return ListBoards(boards, invocation, console);
    case Command::Show:
        return ShowBoard(boards, invocation, console);
    case Command::Set:
    case Command::Defaults:
    case Command::Load:
        return WriteGains(boards, invocation, console);
    case Command::Save:
        return SaveSettings(boards, invocation, console);
    case Command::Watch:
        return WatchBoards(boards, invocation, console);
    case Command::Test:
        return TestBoards(boards, invocation, console);
    case Command::Gains:
        return PrintGains(console);
    case Command::Help:
        break;
    }
    return kBadInput;
}

} // namespace

int Run(const std::vector<std::string>& arguments, device::HidApi& hid, const Console& console) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    switch (parsed.outcome) {
    case ParsedCommandLine::Outcome::Help:
        console.out << HelpText(parsed.invocation.helpTopic);
        return console.FinishOutput(kDone);
    case ParsedCommandLine::Outcome::Version:
        console.out << "tensiloctl " TENSILO_VERSION "\n";
        return console.FinishOutput(kDone);
    case ParsedCommandLine::Outcome::Mistake:
        console.Say(parsed.message);
        return kBadInput;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    device::FailureLog logged(hid, console.err, "tensiloctl: ");
    device::HidApi& boards = parsed.invocation.verbose ? static_cast<device::HidApi&>(logged) : hid;
    return RunCommand(parsed.invocation, boards, console);
}

bool WantsDemoBoards(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    return parsed.outcome == ParsedCommandLine::Outcome::Run && parsed.invocation.demo;
}

} // namespace tensilo::ctl
