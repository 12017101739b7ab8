// tensiloctl: Tensilo boards from a shell, for scripts, production lines and calibration logs.
// The main chooses the boards (the platform's backend, or the demo's simulated boards following
// real time), turns Ctrl-C, SIGTERM and a closed output into a request to stop, and runs the
// command line through the one entry point the tests run it through.
#include "device/access_hint.h"
#include "device/platform_backend.h"
#include "device/sim/demo_boards.h"
#include "device/sim/simulated_boards.h"
#include "tools/common/utf8_console.h"
#include "tools/tensiloctl/ctl_run.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

#ifdef _WIN32
std::atomic<bool> finished{false};

// Runs on a thread of its own. Ctrl-C and Ctrl-Break only ask the program to stop; closing the
// console, logging off and shutting down end the process once this returns, so it waits (as
// long as Windows allows) for the program to have written what it read and ended.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    stopRequested = true;
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        for (int i = 0; i < 400 && !finished; ++i)
            Sleep(10);
    }
    return TRUE;
}

void InstallStopHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// The arguments in UTF-8, from the wide command line: the ANSI argv cannot hold every name.
std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), length, nullptr, nullptr);
        argument.resize(argument.size() - 1);
        arguments.push_back(std::move(argument));
    }
    LocalFree(wide);
    return arguments;
}
#else
// SIGINT and SIGTERM ask the program to stop: a wait ends (poll returns EINTR) and the command
// finishes as usual, also when the signal comes twice, as from `timeout`, which sends it to the
// program and again to its process group.
void OnSignal(int) {
    stopRequested = true;
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a signal ends a wait
    // A shell without job control starts background commands with SIGINT ignored, so that Ctrl-C
    // reaches only the foreground: that stays so.
    struct sigaction previous {};
    if (sigaction(SIGINT, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
        sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that has gone shows as a failed write, which ends a watch; not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}
#endif

} // namespace

int main(int argc, char** argv) {
    using namespace tensilo;
    const tools::Utf8Console console;
    InstallStopHandlers();
    const std::vector<std::string> arguments = Arguments(argc, argv);

    std::unique_ptr<device::HidApi> platform;
    std::unique_ptr<device::sim::SimulatedBoards> demo;
    if (ctl::WantsDemoBoards(arguments)) {
        demo = std::make_unique<device::sim::SimulatedBoards>();
        device::sim::DefineDemoBoards(*demo);
        demo->FollowRealTime();
    } else {
        platform = device::MakePlatformHidApi();
    }
    device::HidApi& hid = demo ? static_cast<device::HidApi&>(*demo) : *platform;

    const auto start = std::chrono::steady_clock::now();
    const ctl::Console streams{
        std::cin,
        std::cout,
        std::cerr,
        stopRequested,
        [start] {
            return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - start)
                                                  .count());
        },
        [] { return device::NoAccessHint(); },
    };
    const int status = ctl::Run(arguments, hid, streams);
    std::cout.flush();
#ifdef _WIN32
    finished = true;
#endif
    return status;
}
