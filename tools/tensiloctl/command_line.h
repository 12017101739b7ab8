// tensiloctl's command line: the command, its options and its gains, checked in full before any
// board is touched, so that a mistake in it writes nothing.
#pragma once

#include "protocol/gain_items.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::ctl {

enum class Command { List, Show, Set, Defaults, Save, Load, Watch, Gains };

// One gain to write: the item of `channel`'s list.
struct GainChoice {
    protocol::Channel channel = protocol::Channel::LoadCell;
    int item = 0;
};

struct Invocation {
    Command command = Command::List;
    bool demo = false;
    bool verbose = false;
    std::optional<std::string> board; // --board SERIAL
    bool all = false;                 // --all
    bool json = false;                // list, show
    bool csv = false;                 // watch
    // set: the gains given, in the channels' order (load cell, potentiometer 1, 2), each once.
    std::vector<GainChoice> gains;
    std::string file;                          // save, load; "-" for the standard streams
    std::optional<std::uint64_t> count;        // watch --count, at least 1
    std::optional<std::uint64_t> milliseconds; // watch --seconds, in milliseconds, at least 1
};

struct ParsedCommandLine {
    enum class Outcome {
        Run,     // `invocation` says what to do
        Help,    // print the usage on standard output, exit 0
        Version, // print the version on standard output, exit 0
        Mistake, // print `message` on standard error, exit 2
    };
    Outcome outcome = Outcome::Mistake;
    Invocation invocation;
    // For a mistake: one sentence, without the program's name in front; for a mistake in the
    // command line's form it ends with a pointer to --help.
    std::string message;
};

// Reads the arguments that follow the program's name, as UTF-8.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text --help prints.
std::string UsageText();

// The name of a channel on the command line and in files: lc, pot1, pot2.
const char* ChannelName(protocol::Channel channel);

} // namespace tensilo::ctl
