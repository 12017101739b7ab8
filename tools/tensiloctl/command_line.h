// tensiloctl's command line: the command, its options and its gains, checked in full before any
// board is touched, so that a mistake in it writes nothing. Arguments are taken as the bytes they
// are: a file name that is not UTF-8 is used as given.
#pragma once

#include "protocol/gain_items.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::ctl {

enum class Command { List, Show, Set, Defaults, Save, Load, Watch, Test, Gains, Help };

// The command's name on the command line.
const char* CommandName(Command command);

// One gain to write: the item of `channel`'s list.
struct GainChoice {
    protocol::Channel channel = protocol::Channel::LoadCell;
    int item = 0;
};

// The longest --seconds a watch takes: a million seconds (about eleven and a half days).
inline constexpr std::uint64_t kLongestWatchSeconds = 1'000'000;

struct Invocation {
    Command command = Command::List;
    bool demo = false;
    bool verbose = false;
    std::optional<std::string> board; // --board SERIAL
    bool all = false;                 // --all
    bool json = false;                // list, show, test
    bool csv = false;                 // watch
    // set: the gains given, in the channels' order (load cell, potentiometer 1, 2), each once.
    std::vector<GainChoice> gains;
    std::string file;                         // save, load; "-" for the standard streams
    std::optional<std::uint64_t> count;       // watch --count, at least 1
    std::optional<std::uint64_t> timeLimitMs; // watch --seconds, in milliseconds, at least 1
    std::optional<Command> helpTopic;         // help COMMAND
};

struct ParsedCommandLine {
    enum class Outcome {
        Run,     // `invocation` says what to do
        Help,    // print the usage (of invocation.helpTopic, if any) on standard output, exit 0
        Version, // print the version on standard output, exit 0
        Mistake, // print `message` on standard error, exit 2
    };
    Outcome outcome = Outcome::Mistake;
    Invocation invocation;
    // For a mistake: one sentence, without the program's name in front, ending with a pointer to
    // --help; what the user typed in it is made printable (printable_text.h).
    std::string message;
};

// Reads the arguments that follow the program's name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

} // namespace tensilo::ctl
