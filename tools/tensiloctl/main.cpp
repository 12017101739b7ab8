// tensiloctl: Tensilo boards from a shell, for scripts, production lines and calibration logs.
// The main chooses the boards (the platform's backend, or the demo's simulated boards following
// real time), gives the program its own standard streams and requests to stop, runs the command
// line through the one entry point the tests run it through, and ends as the command asks.
#include "device/access_hint.h"
#include "device/platform_backend.h"
#include "device/sim/demo_boards.h"
#include "device/sim/simulated_boards.h"
#include "tools/common/utf8_console.h"
#include "tools/tensiloctl/ctl_run.h"
#include "tools/tensiloctl/file_access.h"
#include "tools/tensiloctl/program_console.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

#ifdef _WIN32
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
// The arguments as the bytes they are: a file name need not be UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}
#endif

std::uint64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
}

} // namespace

int main(int argc, char** argv) {
    using namespace tensilo;
    const tools::Utf8Console utf8;
    ctl::ProgramStops stops;
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

    ctl::FileInput input(0);
    ctl::StandardOutput output;
    std::ostream out(&output);
    const auto start = std::chrono::steady_clock::now();
    const ctl::Console console{
        input,
        out,
        output,
        std::cerr,
        stops,
        [start] { return MillisecondsSince(start); },
        [] { return device::NoAccessHint(); },
    };
    const int status = ctl::Run(arguments, hid, console);
    out.flush();
    if (ctl::IsStopStatus(status))
        ctl::EndByStop(status);
    return status;
}
