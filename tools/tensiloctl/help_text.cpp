#include "tools/tensiloctl/help_text.h"

#include <array>

namespace tensilo::ctl {

namespace {

struct CommandUsage {
    Command command;
    const char* synopsis;
    const char* description;
};

constexpr std::array<CommandUsage, 10> kUsages = {{
    {Command::List, "list [--json]", "      the boards plugged in, one a line\n"},
    {Command::Show, "show [--board SERIAL] [--json]",
     "      a board's details, its three gains and its nine registers\n"},
    {Command::Set, "set [--board SERIAL | --all] [--nearest] [lc=GAIN] [pot1=GAIN] [pot2=GAIN]",
     "      writes gains, each one of the 2560 a board holds (see gains), as 500 or 2.5;\n"
     "      --nearest takes the nearest of them instead\n"},
    {Command::Defaults, "defaults [--board SERIAL | --all]",
     "      writes the default gains: lc 500, pot1 1, pot2 1\n"},
    {Command::Save, "save [--board SERIAL] FILE",
     "      writes the board's gains into a settings file (- for standard output)\n"},
    {Command::Load, "load [--board SERIAL | --all] FILE",
     "      writes the gains of a settings file to the board (- for standard input)\n"},
    {Command::Watch, "watch [--board SERIAL | --all] [--count N] [--seconds S] [--csv]",
     "      one line per input report: seconds since the start, (with --all the serial\n"
     "      number,) load cell, potentiometer 1, potentiometer 2; until N reports (of\n"
     "      each board), S seconds or Ctrl-C\n"},
    {Command::Test, "test [--board SERIAL | --all] [--json]",
     "      the board's end-of-line test: identity, reports, settings, stream, writes\n"},
    {Command::Gains, "gains", "      the 2560 gains a board can hold, one a line\n"},
    {Command::Help, "help [COMMAND]", "      this text, or the usage of one command\n"},
}};

constexpr const char* kOptions =
    "Options:\n"
    "  --board SERIAL  the board with this serial number; without it, the one board\n"
    "                  plugged in\n"
    "  --all           every board plugged in\n"
    "  --demo          two simulated boards, TS-00417 and TS-00852, instead of the\n"
    "                  boards plugged in; what is written to them is not kept after\n"
    "                  the command\n"
    "  --verbose       every failed platform call, on standard error\n"
    "  -h, --help      this text\n"
    "  --version       the program's version\n"
    "\n"
    "Exit status: 0 done; 1 a board refused, was busy or lost, holds something else\n"
    "after a write, failed a test, or standard output could not be written; 2 a\n"
    "mistake on the command line or in a file (nothing was written); 3 no board, no\n"
    "board with that serial number, or no access. See tensiloctl(1).\n";

std::string Usage(const CommandUsage& usage) {
    return std::string("  ") + usage.synopsis + "\n" + usage.description;
}

} // namespace

std::string HelpText(std::optional<Command> topic) {
    if (topic) {
        for (const CommandUsage& usage : kUsages)
            if (usage.command == *topic)
                return "Usage: tensiloctl [--demo] [--verbose] " + std::string(usage.synopsis) +
                       "\n" + usage.description + "See 'tensiloctl --help' and tensiloctl(1).\n";
    }
    std::string text = "Usage: tensiloctl [--demo] [--verbose] COMMAND [ARGS]\n"
                       "Sets up Tensilo interface boards and records their outputs, from a shell.\n"
                       "\n"
                       "Commands:\n";
    for (const CommandUsage& usage : kUsages)
        text += Usage(usage);
    return text + "\n" + kOptions;
}

} // namespace tensilo::ctl
