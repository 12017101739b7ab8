// The command line is read here, without a library: GNU-style long options (--name, --name=value,
// --name value), -h, "--" to end the options and "-" as an argument, in two parts: the options
// before the command, then the command's own options and arguments, among which --demo and
// --verbose may stand too. Arguments are never converted, so a file name is used byte for byte.
#include "tools/tensiloctl/command_line.h"

#include "protocol/gain_text.h"
#include "tools/tensiloctl/printable_text.h"

#include <array>
#include <string_view>

namespace tensilo::ctl {

namespace {

constexpr const char* kPointerToHelp = "; see 'tensiloctl --help'";

struct CommandEntry {
    const char* name;
    Command command;
};
constexpr std::array<CommandEntry, 10> kCommands = {{
    {"list", Command::List},
    {"show", Command::Show},
    {"set", Command::Set},
    {"defaults", Command::Defaults},
    {"save", Command::Save},
    {"load", Command::Load},
    {"watch", Command::Watch},
    {"test", Command::Test},
    {"gains", Command::Gains},
    {"help", Command::Help},
}};

enum Option : unsigned {
    kBoard = 1u << 0,
    kAll = 1u << 1,
    kJson = 1u << 2,
    kNearest = 1u << 3,
    kCount = 1u << 4,
    kSeconds = 1u << 5,
    kCsv = 1u << 6,
    kDemo = 1u << 7,
    kVerbose = 1u << 8,
};
// The options every command takes, before or after it.
constexpr unsigned kGlobalOptions = kDemo | kVerbose;

struct OptionEntry {
    std::string_view name;
    Option option;
    bool takesValue;
};
constexpr std::array<OptionEntry, 9> kOptions = {{
    {"board", kBoard, true},
    {"all", kAll, false},
    {"json", kJson, false},
    {"nearest", kNearest, false},
    {"count", kCount, true},
    {"seconds", kSeconds, true},
    {"csv", kCsv, false},
    {"demo", kDemo, false},
    {"verbose", kVerbose, false},
}};

// The options a command takes besides the global ones.
unsigned OptionsOf(Command command) {
    switch (command) {
    case Command::List:
        return kJson;
    case Command::Show:
        return kBoard | kJson;
    case Command::Set:
        return kBoard | kAll | kNearest;
    case Command::Defaults:
    case Command::Load:
        return kBoard | kAll;
    case Command::Save:
        return kBoard;
    case Command::Watch:
        return kBoard | kAll | kCount | kSeconds | kCsv;
    case Command::Test:
        return kBoard | kAll | kJson;
    case Command::Gains:
    case Command::Help:
        break;
    }
    return 0;
}

// A mistake in the command line: the sentence, ending with the pointer to --help.
ParsedCommandLine Mistake(const std::string& sentence) {
    ParsedCommandLine parsed;
    parsed.outcome = ParsedCommandLine::Outcome::Mistake;
    parsed.message = sentence + kPointerToHelp;
    return parsed;
}

ParsedCommandLine Outcome(ParsedCommandLine::Outcome outcome) {
    ParsedCommandLine parsed;
    parsed.outcome = outcome;
    return parsed;
}

// What the user typed, quoted in a message.
std::string Quoted(std::string_view text) {
    std::string quoted = "'";
    quoted += Echoed(text);
    return quoted + "'";
}

const CommandEntry* FindCommand(std::string_view name) {
    for (const CommandEntry& entry : kCommands)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

const OptionEntry* FindOption(std::string_view name) {
    for (const OptionEntry& entry : kOptions)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

// Whether -h or --help stands anywhere among the options: help comes before every mistake.
bool AsksForHelp(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--")
            return false;
        if (word == "-h" || word == "--help")
            return true;
    }
    return false;
}

// The options and arguments that follow the command, as given.
struct CommandWords {
    unsigned given = 0;
    std::string board;
    std::string count;
    std::string seconds;
    std::vector<std::string> positional;
};

// The value an option takes: the text after "=", or the next word.
std::optional<std::string> TakeValue(const OptionEntry& entry, std::string_view word,
                                     const std::vector<std::string>& words, std::size_t& at,
                                     std::string& message) {
    const std::size_t equals = word.find('=');
    if (!entry.takesValue) {
        if (equals != std::string_view::npos)
            message = "unexpected value after '--" + std::string(entry.name) + "'";
        return std::string();
    }
    if (equals != std::string_view::npos)
        return std::string(word.substr(equals + 1));
    if (at + 1 >= words.size()) {
        message = "missing value after '--" + std::string(entry.name) + "'";
        return std::nullopt;
    }
    return words[++at];
}

// Keeps the value of an option that takes one; a mistake when it was given before.
std::optional<std::string> KeepValue(const OptionEntry& entry, std::string value,
                                     CommandWords& read) {
    std::string* slot = entry.option == kBoard     ? &read.board
                        : entry.option == kCount   ? &read.count
                        : entry.option == kSeconds ? &read.seconds
                                                   : nullptr;
    if (slot == nullptr)
        return std::nullopt;
    if ((read.given & entry.option) != 0)
        return "--" + std::string(entry.name) + " is given more than once";
    *slot = std::move(value);
    return std::nullopt;
}

// Reads one option word at `at` (a long option, or a short one) for `command`.
std::optional<std::string> ReadOption(const std::vector<std::string>& words, std::size_t& at,
                                      Command command, CommandWords& read) {
    const std::string_view word = words[at];
    if (word.size() < 2 || word[1] != '-')
        return "unknown option " + Quoted(word);
    const std::string_view name = word.substr(2, word.find('=') - 2);
    const OptionEntry* entry = FindOption(name);
    if (entry == nullptr)
        return "unknown option " + Quoted("--" + std::string(name));
    if (((OptionsOf(command) | kGlobalOptions) & entry->option) == 0)
        return std::string(CommandName(command)) + " takes no --" + std::string(entry->name);
    std::string message;
    auto value = TakeValue(*entry, word, words, at, message);
    if (!message.empty())
        return message;
    if (auto repeated = KeepValue(*entry, std::move(*value), read))
        return repeated;
    read.given |= entry->option;
    return std::nullopt;
}

// Reads what follows the command.
std::optional<std::string> ReadCommandWords(const std::vector<std::string>& words,
                                            std::size_t first, Command command,
                                            CommandWords& read) {
    bool optionsEnded = false;
    for (std::size_t at = first; at < words.size(); ++at) {
        const std::string& word = words[at];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (auto message = ReadOption(words, at, command, read))
                return message;
        } else {
            read.positional.push_back(word);
        }
    }
    return std::nullopt;
}

// A whole number from 1 to 10^15 - 1; none for anything else.
std::optional<std::uint64_t> PositiveWholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

// "1021 is not a gain the board can hold; nearest: 1020, 1022".
std::string NotAGain(std::string_view text, const protocol::GainTextMatch& match) {
    return Echoed(text) +
           " is not a gain the board can hold; nearest: " + protocol::NearestGainsText(match);
}

// One KEY=GAIN of set into `items`; a mistake when it is wrong.
std::optional<std::string> ReadGain(const std::string& argument, bool nearest,
                                    std::array<std::optional<int>, 3>& items) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos)
        return "unexpected argument " + Quoted(argument);
    const std::string key = argument.substr(0, equals);
    const std::string value = argument.substr(equals + 1);
    const auto channel = protocol::ChannelOfName(key);
    if (!channel)
        return "unknown gain " + Quoted(key) + ": give lc=GAIN, pot1=GAIN or pot2=GAIN";
    std::optional<int>& item = items[static_cast<std::size_t>(*channel)];
    if (item)
        return key + " is given more than once";
    const auto match = protocol::MatchGainText(value);
    if (!match)
        return Echoed(argument) +
               ": a gain is written in plain decimal with a point, as 500 or 2.5";
    if (!match->exact && !nearest)
        return NotAGain(value, *match);
    item = match->nearest;
    return std::nullopt;
}

// The gains of set, each KEY=GAIN, in the channels' order; a mistake when one is wrong.
std::optional<std::string> ReadGains(const std::vector<std::string>& arguments, bool nearest,
                                     std::vector<GainChoice>& gains) {
    std::array<std::optional<int>, 3> items;
    for (const std::string& argument : arguments)
        if (auto message = ReadGain(argument, nearest, items))
            return message;
    for (const protocol::Channel channel : protocol::kChannels)
        if (const auto& item = items[static_cast<std::size_t>(channel)])
            gains.push_back({channel, *item});
    if (gains.empty())
        return std::string("set needs at least one of lc=GAIN, pot1=GAIN, pot2=GAIN");
    return std::nullopt;
}

// --board, --all, --json, --csv, --count and --seconds into `invocation`.
std::optional<std::string> ReadOptionValues(const CommandWords& read, Invocation& invocation) {
    invocation.demo = invocation.demo || (read.given & kDemo) != 0;
    invocation.verbose = invocation.verbose || (read.given & kVerbose) != 0;
    invocation.all = (read.given & kAll) != 0;
    invocation.json = (read.given & kJson) != 0;
    invocation.csv = (read.given & kCsv) != 0;
    if ((read.given & kBoard) != 0) {
        if (read.board.empty())
            return std::string("--board takes a serial number, not an empty text");
        invocation.board = read.board;
    }
    if (invocation.board && invocation.all)
        return std::string("--board and --all cannot be given together");
    if ((read.given & kCount) != 0) {
        invocation.count = PositiveWholeNumber(read.count);
        if (!invocation.count)
            return std::string(
                "--count takes a whole number of reports, from 1 to 999999999999999");
    }
    if ((read.given & kSeconds) != 0) {
        const auto value = protocol::ParseDecimal(read.seconds);
        if (value && value->nanos >= kLongestWatchSeconds * protocol::kNanosPerUnit &&
            (value->beyond || value->nanos > kLongestWatchSeconds * protocol::kNanosPerUnit))
            return "--seconds takes at most " + std::to_string(kLongestWatchSeconds) + " seconds";
        const std::uint64_t milliseconds = value ? value->nanos / 1'000'000 : 0;
        if (milliseconds == 0)
            return std::string("--seconds takes a time of at least 0.001 seconds, as 30 or 2.5");
        invocation.timeLimitMs = milliseconds;
    }
    return std::nullopt;
}

// The arguments of the command, by command.
std::optional<std::string> ReadArguments(const std::vector<std::string>& positional, bool nearest,
                                         Invocation& invocation) {
    const std::string name = CommandName(invocation.command);
    switch (invocation.command) {
    case Command::Set:
        return ReadGains(positional, nearest, invocation.gains);
    case Command::Save:
    case Command::Load:
        if (positional.empty())
            return name + " needs a FILE, or - for standard " +
                   (invocation.command == Command::Save ? "output" : "input");
        if (positional.size() > 1)
            return "unexpected argument " + Quoted(positional[1]);
        if (positional.front().empty())
            return name + " needs a FILE, not an empty name";
        invocation.file = positional.front();
        return std::nullopt;
    case Command::Help:
        if (positional.size() > 1)
            return "unexpected argument " + Quoted(positional[1]);
        if (!positional.empty()) {
            const CommandEntry* topic = FindCommand(positional.front());
            if (topic == nullptr)
                return "unknown command " + Quoted(positional.front());
            invocation.helpTopic = topic->command;
        }
        return std::nullopt;
    default:
        if (!positional.empty())
            return "unexpected argument " + Quoted(positional.front());
        return std::nullopt;
    }
}

// The options before the command; `at` is left at the command. A mistake when one is wrong.
std::optional<std::string> ReadGlobalOptions(const std::vector<std::string>& words, std::size_t& at,
                                             Invocation& invocation, bool& version) {
    for (; at < words.size(); ++at) {
        const std::string& word = words[at];
        if (word == "--version")
            version = true;
        else if (word == "--demo")
            invocation.demo = true;
        else if (word == "--verbose")
            invocation.verbose = true;
        else if (word.size() > 1 && word[0] == '-' && word != "--")
            return "unknown option " + Quoted(word.substr(0, word.find('=')));
        else
            break;
    }
    if (at < words.size() && words[at] == "--")
        ++at;
    return std::nullopt;
}

} // namespace

const char* CommandName(Command command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command)
            return entry.name;
    return "";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    if (AsksForHelp(arguments))
        return Outcome(ParsedCommandLine::Outcome::Help);
    ParsedCommandLine parsed = Outcome(ParsedCommandLine::Outcome::Run);
    Invocation& invocation = parsed.invocation;
    std::size_t at = 0;
    bool version = false;
    if (auto message = ReadGlobalOptions(arguments, at, invocation, version))
        return Mistake(*message);
    if (version)
        return Outcome(ParsedCommandLine::Outcome::Version);
    if (at == arguments.size())
        return Mistake("no command given");
    const CommandEntry* command = FindCommand(arguments[at]);
    if (command == nullptr)
        return Mistake("unknown command " + Quoted(arguments[at]));
    invocation.command = command->command;

    CommandWords read;
    if (auto message = ReadCommandWords(arguments, at + 1, invocation.command, read))
        return Mistake(*message);
    if (auto message = ReadOptionValues(read, invocation))
        return Mistake(*message);
    if (auto message = ReadArguments(read.positional, (read.given & kNearest) != 0, invocation))
        return Mistake(*message);
    if (invocation.command == Command::Help)
        parsed.outcome = ParsedCommandLine::Outcome::Help;
    return parsed;
}

} // namespace tensilo::ctl
