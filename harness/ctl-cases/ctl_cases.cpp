// Runs tensiloctl's case files: each case defines simulated boards with the lines of scenario
// files, gives one command line, and the standard output, standard error, exit status and
// register writes it must give, byte for byte. The command line runs in this process through
// tensiloctl's own entry point, over the simulated boards, in a fresh folder of its own; after it,
// every handle must be closed, and closed once.
//
//     tensiloctl-cases [--print] FILE...
//
// A case file holds cases, each from a line `=== TITLE` to the next. A case has, in this order:
//
//   lines that set it up (one per line; blank lines and # comments are skipped):
//     board, attach, detach, report, settings, fail, heal, hold, release
//                               as in scenario files
//     demo                      the demo's two boards, TS-00417 and TS-00852, on a clock moved
//                               by hand (by the waits of a watch), named by their serial numbers
//     stream NAME [MS]          the board makes a report every MS (10) ms of the simulated clock
//     unplug NAME               queue an unplug behind the board's queued reports
//     fail-once NAME CALL N     the CALL after N that succeed fails, once
//     unplug-at NAME CALL N     the board is pulled out at the CALL after N that succeed: that
//                               call and every later one fail as after `detach`
//     ignore-bits NAME REG MASK register REG (0 to 8) keeps the bits of MASK (as 0x01) as they
//                               were when a register write sets it: a stuck bit
//     stop-at MS [SIGNAL]       a request to stop (SIGINT, as Ctrl-C, or SIGTERM) when the clock
//                               reaches MS, also in the middle of a wait
//     output-closes-after N     standard output takes N lines, then fails, as a closed pipe
//     output-full-after N       standard output takes N lines, then fails, as a full disk
//     watch-queue-bytes N       a watch holds at most N bytes of rows not yet written
//     run ARGUMENTS...          the command line, after the program's name (once; a word in
//                               double quotes is one argument, as in scenario files)
//   then sections, each a line `--- NAME` followed by its text, lines as they are, up to the next
//   `---` or `===` line (blank lines at a section's end are dropped):
//     --- stdin                 standard input
//     --- file NAME             a file the case's folder holds before the run
//     --- stdout, --- stderr    what must be written there (nothing, when there is no section);
//                               @VERSION@ stands for the program's version
//     --- exit N                the exit status (required; no text follows)
//     --- writes                the register writes the boards took, as `print writes` prints
//                               them (none, when there is no section)
//     --- saved NAME            what the file NAME must hold after the run
//     --- absent NAME           the file NAME must not be there after the run (no text follows)
//
// Exit status: 0 when every case gave what it must, 1 when one did not (what differs is
// printed), 2 for a mistake in a file (FILE:LINE: message), a file without a case among them. With
// --print, each case's actual sections are printed instead of compared, for writing a new case
// (check them before taking them).
#include "device/access_hint.h"
#include "device/sim/demo_boards.h"
#include "device/sim/simulated_boards.h"
#include "harness/scenario/board_lines.h"
#include "harness/scenario/scenario_text.h"
#include "tools/tensiloctl/ctl_run.h"
#include "tools/tensiloctl/standard_streams.h"
#include "tools/tensiloctl/stop_requests.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tensilo::scenario::ScenarioError;
using tensilo::scenario::Token;

// A simulated clock this far on means a watch that nothing ends: the case is stopped and fails.
constexpr std::uint64_t kRunawayMs = 3'600'000;

struct Line {
    int number = 0;
    std::string text;
};

struct Section {
    std::string name;
    std::string argument;
    int line = 0;
    std::string text;
};

struct Case {
    std::string title;
    int line = 0;
    std::vector<Line> setup;
    std::vector<Section> sections;
};

class CaseFault : public std::runtime_error {
public:
    CaseFault(int line, const std::string& message) : std::runtime_error(message), line(line) {}
    int line;
};

std::vector<Case> ReadCases(std::istream& input) {
    std::vector<Case> cases;
    Section* section = nullptr;
    std::vector<std::string> pending; // a section's lines, blank ones at its end held back
    const auto endSection = [&] {
        if (section == nullptr)
            return;
        for (const std::string& text : pending)
            section->text += text + "\n";
        pending.clear();
        section = nullptr;
    };
    std::string text;
    for (int number = 1; std::getline(input, text); ++number) {
        if (text.rfind("=== ", 0) == 0) {
            endSection();
            cases.push_back({text.substr(4), number, {}, {}});
        } else if (text.rfind("--- ", 0) == 0) {
            endSection();
            if (cases.empty())
                throw CaseFault(number, "a section before the first case");
            const std::string header = text.substr(4);
            const std::size_t space = header.find(' ');
            Section next{header.substr(0, space),
                         space == std::string::npos ? "" : header.substr(space + 1), number, ""};
            cases.back().sections.push_back(next);
            section = &cases.back().sections.back();
        } else if (section != nullptr) {
            const bool blank = text.find_first_not_of(" \t") == std::string::npos;
            if (blank) {
                pending.push_back(text);
            } else {
                for (const std::string& held : pending)
                    section->text += held + "\n";
                pending.clear();
                section->text += text + "\n";
            }
        } else if (!tensilo::scenario::IsBlankOrComment(text)) {
            if (cases.empty())
                throw CaseFault(number, "a line before the first case: " + text);
            if (!cases.back().sections.empty())
                throw CaseFault(number, "a set-up line after the sections: " + text);
            cases.back().setup.push_back({number, text});
        }
    }
    endSection();
    return cases;
}

// Standard input: the case's `stdin` section.
class CaseInput final : public tensilo::ctl::InputChannel {
public:
    explicit CaseInput(std::string text) : text_(std::move(text)) {}
    Result Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min(size, text_.size() - at_);
        std::copy_n(text_.data() + at_, count, buffer);
        at_ += count;
        return {count, 0};
    }

private:
    std::string text_;
    std::size_t at_ = 0;
};

// How the case's standard output misbehaves.
struct OutputTrouble {
    std::optional<int> linesBeforeFault; // it takes this many lines, then fails
    int fault = EPIPE;                   // with this error: EPIPE, a reader that has gone
};

// Standard output, misbehaving as the case says.
class CaseOutput final : public tensilo::ctl::OutputChannel {
public:
    explicit CaseOutput(const OutputTrouble& trouble)
        : trouble_(trouble), linesLeft_(trouble.linesBeforeFault) {}
    const std::string& text() const { return text_; }

protected:
    int Deliver(const char* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            if (linesLeft_ && *linesLeft_ <= 0)
                return trouble_.fault;
            text_ += data[i];
            if (linesLeft_ && data[i] == '\n')
                --*linesLeft_;
        }
        return 0;
    }

private:
    const OutputTrouble trouble_;
    std::optional<int> linesLeft_;
    std::string text_;
};

// Requests to stop, as a signal would bring them at a moment of the simulated clock.
class CaseStops final : public tensilo::ctl::StopRequests {
public:
    int Signal() const override { return signal_; }
    void Hold() override { ++holds_; }
    void Release() override { --holds_; }
    void MakingFile(const std::string&) override {}
    void Request(int signal) {
        int none = 0;
        signal_.compare_exchange_strong(none, signal);
    }
    int Holds() const { return holds_; }

private:
    std::atomic<int> signal_ = 0;
    std::atomic<int> holds_ = 0;
};

std::uint32_t Number(const Token& token, std::uint32_t max, std::string_view what) {
    return tensilo::scenario::ParseNumber(token.raw, max, what);
}

struct Outcome {
    std::map<std::string, std::string> actual; // section name (with argument) to text
    std::vector<std::string> problems;
};

// A token as one argument: a quoted string is its text.
std::string Argument(const Token& token) {
    if (token.quoted)
        return tensilo::scenario::Utf16ToUtf8(tensilo::scenario::DecodeStringLiteral(token.raw));
    return token.raw;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What a case's set-up lines ask for, besides the boards.
struct CaseSetup {
    std::optional<std::vector<std::string>> arguments;
    std::optional<std::uint64_t> stopAt;
    int stopSignal = SIGINT;
    OutputTrouble output;
    std::optional<std::size_t> watchQueueBytes;
};

// The signal of a stop-at line: SIGINT or SIGTERM.
int SignalNamed(const Token& token) {
    if (token.raw == "SIGINT")
        return SIGINT;
    if (token.raw == "SIGTERM")
        return SIGTERM;
    throw ScenarioError("stop-at: the signal is SIGINT or SIGTERM");
}

// Throws ScenarioError unless the line has from `least` to `most` words, its command among them.
void NeedWords(const std::vector<Token>& words, std::size_t least, std::size_t most) {
    if (words.size() < least || words.size() > most)
        throw ScenarioError("usage: " + words.front().raw + " takes " + std::to_string(least - 1) +
                            " argument(s)" + (most > least ? " or more" : ""));
}

// Runs a line that makes a board stream or misbehave; false for any other line.
bool ReadBoardFaultLine(const std::vector<Token>& words,
                        tensilo::device::sim::SimulatedBoards& boards,
                        const tensilo::scenario::BoardLines& lines) {
    using namespace tensilo;
    const std::string& command = words.front().raw;
    if (command == "stream") {
        NeedWords(words, 2, 3);
        boards.SetStreaming(lines.Board(words[1].raw), true,
                            words.size() == 3
                                ? Number(words[2], 60000, command)
                                : device::sim::SimulatedBoards::kDefaultStreamingPeriodMs);
        return true;
    }
    if (command == "unplug") {
        NeedWords(words, 2, 2);
        boards.QueueUnplug(lines.Board(words[1].raw));
        return true;
    }
    if (command != "fail-once" && command != "unplug-at" && command != "ignore-bits")
        return false;
    NeedWords(words, 4, 4);
    const auto board = lines.Board(words[1].raw);
    if (command == "ignore-bits") {
        boards.IgnoreRegisterBits(board, static_cast<std::uint8_t>(Number(words[2], 8, command)),
                                  static_cast<std::uint8_t>(Number(words[3], 0xFF, command)));
        return true;
    }
    const auto call = scenario::ParseCall(words[2].raw);
    const int succeedFirst = static_cast<int>(Number(words[3], 1000, command));
    if (command == "fail-once")
        boards.FailOneCall(board, call, succeedFirst);
    else
        boards.UnplugAtCall(board, call, succeedFirst);
    return true;
}

// Runs one line of the case's own (not a board line); throws ScenarioError for a mistake.
void ReadSetupLine(const std::vector<Token>& words, tensilo::device::sim::SimulatedBoards& boards,
                   tensilo::scenario::BoardLines& lines, CaseSetup& setup) {
    using namespace tensilo;
    const std::string& command = words.front().raw;
    const auto need = [&](std::size_t least, std::size_t most) { NeedWords(words, least, most); };
    if (ReadBoardFaultLine(words, boards, lines))
        return;
    if (command == "demo") {
        need(1, 1);
        for (const auto id : device::sim::DefineDemoBoards(boards))
            lines.Name(id, boards.Config(id).name);
    } else if (command == "stop-at") {
        need(2, 3);
        setup.stopAt = Number(words[1], 0xFFFFFFFF, "stop-at");
        setup.stopSignal = words.size() == 3 ? SignalNamed(words[2]) : SIGINT;
    } else if (command == "output-closes-after" || command == "output-full-after") {
        need(2, 2);
        setup.output.linesBeforeFault = static_cast<int>(Number(words[1], 1000000, command));
        setup.output.fault = command == "output-full-after" ? ENOSPC : EPIPE;
    } else if (command == "watch-queue-bytes") {
        need(2, 2);
        setup.watchQueueBytes = Number(words[1], 0xFFFFFFFF, command);
    } else if (command == "run") {
        if (setup.arguments)
            throw ScenarioError("one run per case");
        setup.arguments.emplace();
        for (std::size_t i = 1; i < words.size(); ++i)
            setup.arguments->push_back(Argument(words[i]));
    } else {
        throw ScenarioError("unknown line: " + command);
    }
}

CaseSetup ReadSetup(const Case& testCase, tensilo::device::sim::SimulatedBoards& boards,
                    tensilo::scenario::BoardLines& lines) {
    CaseSetup setup;
    for (const Line& line : testCase.setup) {
        try {
            const std::vector<Token> words = tensilo::scenario::SplitLine(line.text);
            if (tensilo::scenario::BoardLines::IsBoardCommand(words.front().raw))
                lines.Execute(words);
            else
                ReadSetupLine(words, boards, lines, setup);
        } catch (const ScenarioError& error) {
            throw CaseFault(line.number, error.what());
        }
    }
    if (!setup.arguments)
        throw CaseFault(testCase.line, "the case has no run line");
    return setup;
}

// The case's `file` sections, in its folder; its `stdin` section.
std::string PrepareFiles(const Case& testCase, const fs::path& folder) {
    std::string input;
    for (const Section& section : testCase.sections) {
        if (section.name == "stdin")
            input = section.text;
        else if (section.name == "file")
            std::ofstream(folder / section.argument, std::ios::binary) << section.text;
    }
    return input;
}

// What the boards and files show after the run, besides the streams.
void CollectAfterRun(const Case& testCase, const fs::path& folder,
                     tensilo::scenario::BoardLines& lines,
                     const tensilo::device::sim::SimulatedBoards& boards, Outcome& outcome) {
    std::string writes;
    for (const std::string& line : lines.TakeWriteLines())
        writes += line + "\n";
    outcome.actual["writes"] = writes;
    if (const int leftOpen = boards.TotalOpenHandles() + boards.OpenEvents(); leftOpen != 0)
        outcome.problems.push_back(std::to_string(leftOpen) + " handle(s) left open");
    if (boards.BadCloses() != 0)
        outcome.problems.push_back(std::to_string(boards.BadCloses()) +
                                   " close(s) of a handle that was not open");
    for (const Section& section : testCase.sections) {
        if (section.name == "saved") {
            const fs::path path = folder / section.argument;
            outcome.actual["saved " + section.argument] =
                fs::exists(path) ? ReadFile(path) : "(no such file)\n";
        } else if (section.name == "absent" && fs::exists(folder / section.argument)) {
            outcome.problems.push_back(section.argument + " is there, and must not be");
        }
    }
}

// Runs one case in `folder`; what it gave, and what it gave wrongly.
Outcome RunCase(const Case& testCase, const fs::path& folder) {
    using namespace tensilo;
    device::sim::SimulatedBoards boards;
    scenario::BoardLines lines(boards);
    const CaseSetup setup = ReadSetup(testCase, boards, lines);
    CaseInput input(PrepareFiles(testCase, folder));
    CaseOutput output(setup.output);
    std::ostream out(&output);
    std::ostringstream err;
    CaseStops stops;
    std::atomic<bool> ranAway = false;
    // A request to stop comes as a signal would, while the command waits.
    boards.WhenClockMoves([&](std::uint64_t now) {
        if ((setup.stopAt && now >= *setup.stopAt) || now >= kRunawayMs) {
            ranAway = ranAway || now >= kRunawayMs;
            stops.Request(now >= kRunawayMs ? SIGTERM : setup.stopSignal);
        }
    });
    ctl::Console console{
        input,
        out,
        output,
        err,
        stops,
        [&] { return boards.ClockMilliseconds(); },
        [] { return device::NoAccessHint(std::nullopt); },
    };
    if (setup.watchQueueBytes)
        console.watchQueueBytes = *setup.watchQueueBytes;
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    const int status = ctl::Run(*setup.arguments, boards, console);
    fs::current_path(before);

    Outcome outcome;
    outcome.actual["stdout"] = output.text();
    outcome.actual["stderr"] = err.str();
    outcome.actual["exit"] = std::to_string(status);
    if (ranAway)
        outcome.problems.push_back(
            "the command ran on and was stopped after an hour of simulated time");
    if (stops.Holds() != 0)
        outcome.problems.push_back("requests to stop are still held after the run");
    CollectAfterRun(testCase, folder, lines, boards, outcome);
    return outcome;
}

// `text` with each @VERSION@ made the program's version.
std::string WithVersion(std::string text) {
    const std::string mark = "@VERSION@";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), TENSILO_VERSION);
    return text;
}

// Compares what a case gave with its sections; prints what differs. True when all is as it must.
bool Check(const Case& testCase, const Outcome& outcome, const std::string& fileName) {
    std::map<std::string, std::string> expected = {{"stdout", ""}, {"stderr", ""}, {"writes", ""}};
    bool exitGiven = false;
    for (const Section& section : testCase.sections) {
        if (section.name == "stdout" || section.name == "stderr" || section.name == "writes") {
            expected[section.name] = WithVersion(section.text);
        } else if (section.name == "exit") {
            expected["exit"] = section.argument;
            exitGiven = true;
        } else if (section.name == "saved") {
            expected["saved " + section.argument] = section.text;
        } else if (section.name != "stdin" && section.name != "file" && section.name != "absent") {
            throw CaseFault(section.line, "unknown section: " + section.name);
        }
    }
    if (!exitGiven)
        throw CaseFault(testCase.line, "the case has no exit section");
    std::vector<std::string> problems = outcome.problems;
    for (const auto& [name, text] : expected) {
        const std::string& actual = outcome.actual.at(name);
        if (actual != text)
            problems.push_back(name + " differs.\n  expected:\n" + text + "  actual:\n" + actual);
    }
    if (problems.empty())
        return true;
    std::cout << fileName << ":" << testCase.line << ": FAILED: " << testCase.title << "\n";
    for (const std::string& problem : problems)
        std::cout << "  " << problem << "\n";
    return false;
}

void Print(const Case& testCase, const Outcome& outcome) {
    std::cout << "=== " << testCase.title << "\n";
    for (const auto& name : {"stdout", "stderr", "writes"})
        if (!outcome.actual.at(name).empty())
            std::cout << "--- " << name << "\n" << outcome.actual.at(name);
    std::cout << "--- exit " << outcome.actual.at("exit") << "\n";
    for (const std::string& problem : outcome.problems)
        std::cout << "# PROBLEM: " << problem << "\n";
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--print")
            print = true;
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::cerr << "usage: tensiloctl-cases [--print] FILE...\n";
        return 2;
    }
    int failed = 0;
    int passed = 0;
    for (const std::string& fileName : files) {
        std::ifstream file(fileName);
        if (!file) {
            std::cerr << fileName << ": cannot be read\n";
            return 2;
        }
        const fs::path folder = fs::temp_directory_path() /
                                ("tensiloctl-cases-" + std::to_string(std::random_device()()));
        try {
            const std::vector<Case> cases = ReadCases(file);
            if (cases.empty())
                throw CaseFault(1, "the file holds no case");
            for (const Case& testCase : cases) {
                fs::remove_all(folder);
                fs::create_directories(folder);
                const Outcome outcome = RunCase(testCase, folder);
                if (print)
                    Print(testCase, outcome);
                else if (Check(testCase, outcome, fileName))
                    ++passed;
                else
                    ++failed;
            }
        } catch (const CaseFault& fault) {
            fs::remove_all(folder);
            std::cerr << fileName << ":" << fault.line << ": " << fault.what() << "\n";
            return 2;
        }
        fs::remove_all(folder);
    }
    if (!print)
        std::cout << passed << " cases passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
