// The command line of the windowed programs (tensilo-config, tensilo-demo): their own options,
// which they take out, and Qt's, which are passed on to Qt unchanged. --help and --version are
// answered before anything else (no display is needed for them); any other argument that is
// neither the program's nor Qt's is refused, so that a mistyped option is not silently ignored.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tensilo::tools {

struct OwnOption {
    std::string_view name;  // "--verbose"
    std::string_view value; // what its value is, for the usage ("MS"); "" for an option without
    std::string_view help;
};

struct WindowCommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    std::string error;                   // with Refuse: what is wrong
    std::vector<std::string> own;        // the program's own options and their values, in order
    std::vector<std::string> qt;         // the program's name and Qt's options, as Qt takes them
    std::optional<std::string> platform; // the platform chosen with -platform, if any
};

// Sorts argv[1..argc) into the program's own options and Qt's. Qt's options may begin with one
// dash or two; one that takes a value may also be written -name=value, which is passed on as
// "-name" "value" (Qt does not take that form for -platform).
WindowCommandLine ParseWindowCommandLine(int argc, const char* const* argv,
                                         std::span<const OwnOption> own);

// The usage: the synopsis, the program's options, and Qt's main options.
std::string WindowUsage(std::string_view program, std::string_view summary,
                        std::span<const OwnOption> own);

// Answers --help and --version on standard output, and a refused command line with its error and
// the usage on standard error; returns the exit status (0, or 2 for a refusal), or none when the
// program is to run.
std::optional<int> AnswerWithoutWindow(const WindowCommandLine& line, std::string_view program,
                                       std::string_view version, const std::string& usage);

// Qt's arguments as QApplication takes them: argc and a null-terminated argv pointing into
// `line.qt`, which must outlive the application.
class QtArguments {
public:
    explicit QtArguments(std::vector<std::string>& qt);
    int& argc() { return argc_; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<char*> pointers_;
    int argc_;
};

} // namespace tensilo::tools
