// tensilo-bench-turns: runs two programs in turns and prints the median of each one's wall time
// from start to exit, processor time (user + system, all threads) and peak resident memory, and
// the ratios of the second to the first.
//   tensilo-bench-turns RUNS PROGRAM_A PROGRAM_B
// A program may carry arguments, separated by spaces in one word: "tensiloctl --demo show".
// After three warm-up runs of each, turn i runs A then B when i is even and B then A when it is
// odd, so that a change in the machine's load falls on both alike. Each run is started with
// posix_spawn and reaped with wait4: the clock is read around those two calls only, and the
// resource usage wait4 returns is that run's alone. The programs' output is discarded.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double wallMs;
    double processorMs;
    long peakKib;
};

double Milliseconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

// The words of a command written as one argument, split at spaces.
std::vector<std::string> Words(const std::string& command) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < command.size()) {
        const std::size_t end = std::min(command.find(' ', start), command.size());
        if (end > start)
            words.push_back(command.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Runs `command` once; exits the whole benchmark when it cannot start or does not exit with 0.
Run RunOnce(const std::string& command) {
    std::vector<std::string> words = Words(command);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const char* program = argv.front() != nullptr ? argv.front() : "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "tensilo-bench-turns: cannot start %s\n", program);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tensilo-bench-turns: %s did not exit with 0\n", program);
        std::exit(1);
    }
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - started;
    return {wall.count(), Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime), usage.ru_maxrss};
}

template <class Field> double Median(const std::vector<Run>& runs, Field field) {
    std::vector<double> values;
    for (const Run& run : runs)
        values.push_back(static_cast<double>(run.*field));
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc == 4 ? std::atoi(argv[1]) : 0;
    if (runs < 5) {
        std::fprintf(stderr, "usage: tensilo-bench-turns RUNS PROGRAM_A PROGRAM_B (RUNS at least 5)\n");
        return 2;
    }
    const std::array<std::string, 2> programs = {argv[2], argv[3]};
    for (int i = 0; i < 3; ++i)
        for (const std::string& program : programs)
            RunOnce(program);
    std::array<std::vector<Run>, 2> measured;
    for (int turn = 0; turn < runs; ++turn)
        for (const int which : turn % 2 ? std::array{1, 0} : std::array{0, 1})
            measured[which].push_back(RunOnce(programs[which]));

    std::array<std::string, 2> names;
    for (int which : {0, 1}) {
        const std::string& command = programs[which];
        const std::size_t end = std::min(command.find(' '), command.size());
        const std::size_t name = command.rfind('/', end);
        names[which] = command.substr(name == std::string::npos ? 0 : name + 1);
    }
    std::printf("medians of %d runs each, in turns\n", runs);
    std::printf("%-32s %10s %14s %14s\n", "program", "wall ms", "processor ms", "max RSS KiB");
    for (int which : {0, 1})
        std::printf("%-32s %10.1f %14.1f %14.0f\n", names[which].c_str(),
                    Median(measured[which], &Run::wallMs), Median(measured[which], &Run::processorMs),
                    Median(measured[which], &Run::peakKib));
    const auto ratio = [&](auto field) { return Median(measured[1], field) / Median(measured[0], field); };
    std::printf("%s / %s:\n", names[1].c_str(), names[0].c_str());
    std::printf("  wall time      %.3f\n", ratio(&Run::wallMs));
    std::printf("  processor time %.3f\n", ratio(&Run::processorMs));
    std::printf("  peak RSS       %.3f\n", ratio(&Run::peakKib));
    return 0;
}
