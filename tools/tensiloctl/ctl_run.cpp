#include "tools/tensiloctl/ctl_run.h"

#include "device/failure_log.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/commands.h"
#include "tools/tensiloctl/watch.h"

#include <ostream>
#include <sstream>

#ifndef TENSILO_VERSION
#error "TENSILO_VERSION is the project's version, set by the build"
#endif

namespace tensilo::ctl {

void Console::Say(std::string_view sentence) const {
    err << "tensiloctl: " << sentence << '\n' << std::flush;
}

void Console::SayAccessHint() const {
    std::istringstream hint(accessHint ? accessHint() : std::string());
    for (std::string line; std::getline(hint, line);)
        Say(line);
}

int Run(const std::vector<std::string>& arguments, device::HidApi& hid, const Console& console) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    switch (parsed.outcome) {
    case ParsedCommandLine::Outcome::Help:
        console.out << UsageText() << std::flush;
        return kDone;
    case ParsedCommandLine::Outcome::Version:
        console.out << "tensiloctl " TENSILO_VERSION "\n" << std::flush;
        return kDone;
    case ParsedCommandLine::Outcome::Mistake:
        console.Say(parsed.message);
        return kBadInput;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    const Invocation& invocation = parsed.invocation;
    device::FailureLog logged(hid, console.err, "tensiloctl: ");
    device::HidApi& boards = invocation.verbose ? static_cast<device::HidApi&>(logged) : hid;
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
        return WatchBoard(boards, invocation, console);
    case Command::Gains:
        return PrintGains(console);
    }
    return kBadInput;
}

bool WantsDemoBoards(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    return parsed.outcome == ParsedCommandLine::Outcome::Run && parsed.invocation.demo;
}

} // namespace tensilo::ctl
