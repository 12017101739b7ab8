#include "tools/common/window_command_line.h"

#include "tools/common/standard_output.h"

#include <algorithm>
#include <array>
#include <iostream>

namespace tensilo::tools {

namespace {

struct QtOption {
    std::string_view name; // without its dashes
    bool takesValue;
};

// The options that Qt's application classes and its X11 platform take from the command line.
constexpr std::array<QtOption, 26> kQtOptions = {{
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowtitle", true},
    {"title", true},
    {"qwindowicon", true},
    {"icon", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"display", true},
    {"name", true},
    {"visual", true},
    {"ncols", true},
    {"cmap", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"testability", false},
    {"dialogs", true},
}};

const QtOption* FindQtOption(std::string_view name) {
    for (const QtOption& option : kQtOptions)
        if (option.name == name)
            return &option;
    return nullptr;
}

const OwnOption* FindOwn(std::span<const OwnOption> own, std::string_view name) {
    const auto found = std::find_if(
        own.begin(), own.end(), [name](const OwnOption& option) { return option.name == name; });
    return found == own.end() ? nullptr : &*found;
}

// "-platform", "--platform" and "-platform=NAME" all name Qt's option "platform".
std::string_view QtName(std::string_view argument) {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    return argument.substr(0, argument.find('='));
}

class Sorter {
public:
    Sorter(int argc, const char* const* argv, std::span<const OwnOption> own)
        : argc_(argc), argv_(argv), own_(own) {}

    WindowCommandLine Sort() {
        line_.qt.emplace_back(argc_ > 0 ? argv_[0] : "");
        for (int i = 1; i < argc_ && line_.action == WindowCommandLine::Action::Run; ++i)
            i = Take(i);
        return std::move(line_);
    }

private:
    // Takes the argument at `i` (and its value); returns the index of the last one taken.
    int Take(int i) {
        const std::string_view argument = argv_[i];
        if (argument == "--help" || argument == "-h")
            line_.action = WindowCommandLine::Action::Help;
        else if (argument == "--version")
            line_.action = WindowCommandLine::Action::Version;
        else if (const OwnOption* option = FindOwn(own_, argument))
            return TakeWithValue(i, option->name, !option->value.empty(), line_.own);
        else if (const QtOption* qt = argument.size() > 1 && argument[0] == '-'
                                          ? FindQtOption(QtName(argument))
                                          : nullptr)
            return TakeQt(i, *qt);
        else
            Refuse(argument.starts_with('-') ? "unknown option " + std::string(argument)
                                             : "unexpected argument " + std::string(argument));
        return i;
    }

    int TakeQt(int i, const QtOption& option) {
        const std::string_view argument = argv_[i];
        const auto equals = argument.find('=');
        if (!option.takesValue || equals == std::string_view::npos) {
            i = TakeWithValue(i, argument, option.takesValue, line_.qt);
        } else {
            line_.qt.emplace_back(argument.substr(0, equals));
            line_.qt.emplace_back(argument.substr(equals + 1));
        }
        if (option.name == "platform" && line_.action == WindowCommandLine::Action::Run)
            line_.platform = line_.qt.back();
        return i;
    }

    int TakeWithValue(int i, std::string_view name, bool takesValue,
                      std::vector<std::string>& into) {
        if (takesValue && (i + 1 >= argc_ || argv_[i + 1][0] == '\0')) {
            Refuse(std::string(name) + " needs a value");
            return i;
        }
        into.emplace_back(argv_[i]);
        if (takesValue)
            into.emplace_back(argv_[++i]);
        return i;
    }

    void Refuse(std::string error) {
        line_.action = WindowCommandLine::Action::Refuse;
        line_.error = std::move(error);
    }

    int argc_;
    const char* const* argv_;
    std::span<const OwnOption> own_;
    WindowCommandLine line_;
};

} // namespace

WindowCommandLine ParseWindowCommandLine(int argc, const char* const* argv,
                                         std::span<const OwnOption> own) {
    return Sorter(argc, argv, own).Sort();
}

std::string WindowUsage(std::string_view program, std::string_view summary,
                        std::span<const OwnOption> own) {
    std::string usage = "Usage: " + std::string(program) + " [OPTION...] [QT OPTION...]\n";
    usage += std::string(summary) + "\n\nOptions:\n";
    const auto line = [&usage](std::string_view left, std::string_view help) {
        std::string entry = "  " + std::string(left);
        entry.resize(std::max<std::size_t>(entry.size() + 1, 24), ' ');
        usage += entry + std::string(help) + "\n";
    };
    for (const OwnOption& option : own)
        line(option.value.empty() ? std::string(option.name)
                                  : std::string(option.name) + " " + std::string(option.value),
             option.help);
    line("--help", "show this text and exit");
    line("--version", "show the program's version and exit");
    usage += "\nQt's own options are passed on to Qt, among them:\n";
    line("-platform NAME", "the window system: xcb (X11), wayland, offscreen, ...;");
    line("", "also -platform=NAME; it overrides QT_QPA_PLATFORM");
    line("-display DISPLAY", "the X11 display to use");
    line("-style NAME", "the widget style, such as Fusion or Windows");
    line("-reverse", "lay the window out from right to left");
    usage += "See the documentation of Qt's QGuiApplication and QApplication for the others.\n";
    return usage;
}

std::optional<int> AnswerWithoutWindow(const WindowCommandLine& line, std::string_view program,
                                       std::string_view version, const std::string& usage) {
    switch (line.action) {
    case WindowCommandLine::Action::Help:
        std::cout << usage;
        return FinishStandardOutput(program, 0);
    case WindowCommandLine::Action::Version:
        std::cout << program << " " << version << '\n';
        return FinishStandardOutput(program, 0);
    case WindowCommandLine::Action::Refuse:
        std::cerr << program << ": " << line.error << "\n" << usage << std::flush;
        return 2;
    case WindowCommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

QtArguments::QtArguments(std::vector<std::string>& qt) : argc_(static_cast<int>(qt.size())) {
    for (std::string& argument : qt)
        pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
}

} // namespace tensilo::tools
