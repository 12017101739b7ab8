// The command line is read with QtCore's QCommandLineParser: a well-kept parser of GNU-style
// options (long and short forms, --name=value, "--", "-" as an argument), from the library the
// program links anyway, so that no package is added for it. It runs in two rounds: the options
// before the command, then the command's own options and arguments.
#include "tools/tensiloctl/command_line.h"

#include "protocol/gain_text.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <array>

namespace tensilo::ctl {

namespace {

constexpr const char* kPointerToHelp = "; see 'tensiloctl --help'";

struct CommandName {
    const char* name;
    Command command;
};
constexpr std::array<CommandName, 8> kCommands = {{
    {"list", Command::List},
    {"show", Command::Show},
    {"set", Command::Set},
    {"defaults", Command::Defaults},
    {"save", Command::Save},
    {"load", Command::Load},
    {"watch", Command::Watch},
    {"gains", Command::Gains},
}};

// The options each command takes, besides the ones every command takes (--demo, --verbose,
// --help), which may also stand after the command.
struct CommandOptions {
    bool board = false;
    bool all = false;
    bool json = false;
    bool nearest = false;
    bool watch = false; // --count, --seconds, --csv
};

CommandOptions OptionsOf(Command command) {
    switch (command) {
    case Command::List:
        return {.json = true};
    case Command::Show:
        return {.board = true, .json = true};
    case Command::Set:
        return {.board = true, .all = true, .nearest = true};
    case Command::Defaults:
    case Command::Load:
        return {.board = true, .all = true};
    case Command::Save:
        return {.board = true};
    case Command::Watch:
        return {.board = true, .watch = true};
    case Command::Gains:
        break;
    }
    return {};
}

ParsedCommandLine Mistake(std::string message) {
    ParsedCommandLine parsed;
    parsed.outcome = ParsedCommandLine::Outcome::Mistake;
    parsed.message = std::move(message);
    return parsed;
}

// A mistake in the command line's form: the sentence ends with the pointer to --help.
ParsedCommandLine FormMistake(const std::string& message) {
    return Mistake(message + kPointerToHelp);
}

// What the parser found wrong, as a sentence of ours.
ParsedCommandLine ParserMistake(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return FormMistake("unknown option '" + std::string(name.size() == 1 ? "-" : "--") +
                           name.toStdString() + "'");
    }
    // Qt's own words ("Missing value after '--board'."), made to read as part of a sentence.
    std::string text = parser.errorText().toStdString();
    while (!text.empty() && (text.back() == '.' || text.back() == '\n'))
        text.pop_back();
    if (!text.empty() && text.front() >= 'A' && text.front() <= 'Z')
        text.front() = static_cast<char>(text.front() - 'A' + 'a');
    return FormMistake(text);
}

// A whole number of at least 1; none for anything else or a number beyond 10^15.
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
std::string NotAGain(const std::string& text, const protocol::GainTextMatch& match) {
    std::string message = text + " is not a gain the board can hold; nearest: ";
    if (match.below)
        message += protocol::GainItemText(*match.below);
    if (match.below && match.above)
        message += ", ";
    if (match.above)
        message += protocol::GainItemText(*match.above);
    return message;
}

// The gains of `set`, each KEY=GAIN; a message when one is wrong.
std::optional<std::string> ReadGains(const QStringList& arguments, bool nearest,
                                     std::vector<GainChoice>& gains) {
    std::array<std::optional<int>, protocol::kChannels.size()> items;
    for (const QString& argument : arguments) {
        const std::string text = argument.toStdString();
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos)
            return "unexpected argument '" + text + "'" + kPointerToHelp;
        const std::string key = text.substr(0, equals);
        const std::string value = text.substr(equals + 1);
        std::size_t index = protocol::kChannels.size();
        for (std::size_t i = 0; i < protocol::kChannels.size(); ++i)
            if (key == ChannelName(protocol::kChannels[i]))
                index = i;
        if (index == protocol::kChannels.size())
            return "unknown gain '" + key + "': give lc=GAIN, pot1=GAIN or pot2=GAIN" +
                   kPointerToHelp;
        if (items[index])
            return key + " is given more than once" + kPointerToHelp;
        const auto match = protocol::MatchGainText(value);
        if (!match)
            return text + ": a gain is written in plain decimal with a point, as 500 or 2.5";
        if (!match->exact && !nearest)
            return NotAGain(value, *match);
        items[index] = match->nearest;
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i])
            gains.push_back({protocol::kChannels[i], *items[i]});
    if (gains.empty())
        return std::string("set needs at least one of lc=GAIN, pot1=GAIN, pot2=GAIN") +
               kPointerToHelp;
    return std::nullopt;
}

} // namespace

const char* ChannelName(protocol::Channel channel) {
    switch (channel) {
    case protocol::Channel::Pot1:
        return "pot1";
    case protocol::Channel::Pot2:
        return "pot2";
    case protocol::Channel::LoadCell:
        break;
    }
    return "lc";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    QStringList words{QStringLiteral("tensiloctl")};
    for (const std::string& argument : arguments)
        words.append(QString::fromStdString(argument));

    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));

    // Round one: the options before the command; the command and all after it stay as they are.
    QCommandLineParser before;
    before.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    before.addOptions({demo, verbose, help, version});
    if (!before.parse(words))
        return ParserMistake(before);
    if (before.isSet(help))
        return {ParsedCommandLine::Outcome::Help, {}, {}};
    if (before.isSet(version))
        return {ParsedCommandLine::Outcome::Version, {}, {}};
    const QStringList rest = before.positionalArguments();
    if (rest.isEmpty())
        return FormMistake("no command given");

    ParsedCommandLine parsed;
    parsed.outcome = ParsedCommandLine::Outcome::Run;
    Invocation& invocation = parsed.invocation;
    const std::string commandName = rest.front().toStdString();
    const CommandName* found = nullptr;
    for (const CommandName& command : kCommands)
        if (commandName == command.name)
            found = &command;
    if (found == nullptr)
        return FormMistake("unknown command '" + commandName + "'");
    invocation.command = found->command;

    // Round two: the command's own options and arguments, in any order.
    const CommandOptions allowed = OptionsOf(invocation.command);
    const QCommandLineOption board(QStringLiteral("board"), QString(), QStringLiteral("SERIAL"));
    const QCommandLineOption all(QStringLiteral("all"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption nearest(QStringLiteral("nearest"));
    const QCommandLineOption count(QStringLiteral("count"), QString(), QStringLiteral("N"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QString(), QStringLiteral("S"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    QCommandLineParser after;
    after.addOptions({demo, verbose, help});
    if (allowed.board)
        after.addOption(board);
    if (allowed.all)
        after.addOption(all);
    if (allowed.json)
        after.addOption(json);
    if (allowed.nearest)
        after.addOption(nearest);
    if (allowed.watch)
        after.addOptions({count, seconds, csv});
    QStringList commandWords{QStringLiteral("tensiloctl")};
    commandWords.append(rest.mid(1));
    if (!after.parse(commandWords))
        return ParserMistake(after);
    if (after.isSet(help))
        return {ParsedCommandLine::Outcome::Help, {}, {}};
    for (const auto& [option, taken] :
         {std::pair{&board, allowed.board}, std::pair{&count, allowed.watch},
          std::pair{&seconds, allowed.watch}})
        if (taken && after.values(*option).size() > 1)
            return FormMistake("--" + option->names().front().toStdString() +
                               " is given more than once");

    invocation.demo = before.isSet(demo) || after.isSet(demo);
    invocation.verbose = before.isSet(verbose) || after.isSet(verbose);
    if (allowed.board && after.isSet(board))
        invocation.board = after.value(board).toStdString();
    invocation.all = allowed.all && after.isSet(all);
    if (invocation.board && invocation.all)
        return FormMistake("--board and --all cannot be given together");
    invocation.json = allowed.json && after.isSet(json);
    invocation.csv = allowed.watch && after.isSet(csv);
    if (allowed.watch && after.isSet(count)) {
        invocation.count = PositiveWholeNumber(after.value(count).toStdString());
        if (!invocation.count)
            return FormMistake("--count takes a whole number of reports, at least 1");
    }
    if (allowed.watch && after.isSet(seconds)) {
        const auto value = protocol::ParseDecimal(after.value(seconds).toStdString());
        const std::uint64_t milliseconds = value ? value->nanos / 1'000'000 : 0;
        if (milliseconds == 0)
            return FormMistake("--seconds takes a time of at least 0.001 seconds, as 30 or 2.5");
        invocation.milliseconds = milliseconds;
    }

    const QStringList positional = after.positionalArguments();
    switch (invocation.command) {
    case Command::Set:
        if (auto message =
                ReadGains(positional, allowed.nearest && after.isSet(nearest), invocation.gains))
            return Mistake(*message);
        break;
    case Command::Save:
    case Command::Load:
        if (positional.isEmpty())
            return FormMistake(commandName + " needs a FILE, or - for standard " +
                               (invocation.command == Command::Save ? "output" : "input"));
        if (positional.size() > 1)
            return FormMistake("unexpected argument '" + positional[1].toStdString() + "'");
        invocation.file = positional.front().toStdString();
        if (invocation.file.empty())
            return FormMistake(commandName + " needs a FILE, not an empty name");
        break;
    default:
        if (!positional.isEmpty())
            return FormMistake("unexpected argument '" + positional.front().toStdString() + "'");
        break;
    }
    return parsed;
}

std::string UsageText() {
    return "Usage: tensiloctl [--demo] [--verbose] COMMAND [ARGS]\n"
           "Sets up Tensilo interface boards and records their outputs, from a shell.\n"
           "\n"
           "Commands:\n"
           "  list [--json]\n"
           "      the boards plugged in, one a line\n"
           "  show [--board SERIAL] [--json]\n"
           "      a board's details, its three gains and its nine registers\n"
           "  set [--board SERIAL | --all] [--nearest] [lc=GAIN] [pot1=GAIN] [pot2=GAIN]\n"
           "      writes gains, each one of the 2560 a board holds (see gains), as 500 or 2.5;\n"
           "      --nearest takes the nearest of them instead\n"
           "  defaults [--board SERIAL | --all]\n"
           "      writes the default gains: lc 500, pot1 1, pot2 1\n"
           "  save [--board SERIAL] FILE\n"
           "      writes the board's gains into a settings file (- for standard output)\n"
           "  load [--board SERIAL | --all] FILE\n"
           "      writes the gains of a settings file to the board (- for standard input)\n"
           "  watch [--board SERIAL] [--count N] [--seconds S] [--csv]\n"
           "      one line per input report: seconds since the start, load cell,\n"
           "      potentiometer 1, potentiometer 2; until N reports, S seconds or Ctrl-C\n"
           "  gains\n"
           "      the 2560 gains a board can hold, one a line\n"
           "\n"
           "Options:\n"
           "  --board SERIAL  the board with this serial number; without it, the one board\n"
           "                  plugged in\n"
           "  --all           every board plugged in, one after the other\n"
           "  --demo          two simulated boards, TS-00417 and TS-00852, instead of the\n"
           "                  boards plugged in; what is written to them is not kept after\n"
           "                  the command\n"
           "  --verbose       every failed platform call, on standard error\n"
           "  -h, --help      this text\n"
           "  --version       the program's version\n"
           "\n"
           "Exit status: 0 done; 1 a board refused, was lost, or holds something else after\n"
           "a write; 2 a mistake on the command line or in a file (nothing was written);\n"
           "3 no board, no board with that serial number, or no access. See tensiloctl(1).\n";
}

} // namespace tensilo::ctl
