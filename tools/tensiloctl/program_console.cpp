#include "tools/tensiloctl/program_console.h"

#include "tools/tensiloctl/file_access.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tensilo::ctl {

namespace {

std::atomic<int> heldSignal{0};
std::atomic<int> holds{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

// The file the program is making, in a buffer of its own: a signal handler may not allocate.
#ifdef _WIN32
wchar_t makingFile[32768];
#else
char makingFile[4096];
#endif
std::atomic<bool> makingFileSet{false};

void KeepHeldSignal(int signal) {
    int none = 0;
    heldSignal.compare_exchange_strong(none, signal);
}

#ifdef _WIN32

std::atomic<bool> finished{false};

// What a process that Ctrl-C ends exits with, on Windows.
constexpr UINT kStoppedExitCode = STATUS_CONTROL_C_EXIT;

// Runs on a thread of its own. A request not held ends the program here, with the exit code of a
// process Ctrl-C ends (Windows' own handler would give it, Wine's 0: a failure must not read as
// success), after removing the file it was making. A held one is kept; closing the console,
// logging off and shutting down end the process once this returns, so then it waits (as long as
// Windows allows) for the program to finish the board it writes.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (holds.load() == 0) {
        if (makingFileSet)
            DeleteFileW(makingFile);
        ExitProcess(kStoppedExitCode);
    }
    KeepHeldSignal(interrupt ? SIGINT : SIGTERM);
    for (int i = 0; !interrupt && i < 400 && !finished; ++i)
        Sleep(10);
    return TRUE;
}

#else

void OnSignal(int signal) {
    if (holds.load() > 0) {
        KeepHeldSignal(signal);
        return;
    }
    if (makingFileSet)
        ::unlink(makingFile);
    // Raised again with the system's action, it ends the program once this handler returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Catch(int signal) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // A write or read that a held request interrupts goes on: poll still returns at once.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

#endif

} // namespace

int StandardOutput::Deliver(const char* data, std::size_t size) {
    return WriteAllTo(1, std::string_view(data, size));
}

ProgramStops::ProgramStops() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    // A shell without job control starts background commands with SIGINT ignored, so that
    // Ctrl-C reaches only the foreground: that stays so.
    struct sigaction previous {};
    if (sigaction(SIGINT, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
        Catch(SIGINT);
    Catch(SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

ProgramStops::~ProgramStops() {
#ifdef _WIN32
    finished = true;
#endif
}

int ProgramStops::Signal() const {
    return heldSignal.load();
}

void ProgramStops::Hold() {
    ++holds;
}

void ProgramStops::Release() {
    --holds;
}

void ProgramStops::MakingFile(const std::string& path) {
    makingFileSet = false;
#ifdef _WIN32
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, makingFile,
                                           static_cast<int>(std::size(makingFile)));
    makingFileSet = !path.empty() && length > 0;
#else
    if (path.empty() || path.size() >= sizeof makingFile)
        return;
    std::memcpy(makingFile, path.c_str(), path.size() + 1);
    makingFileSet = true;
#endif
}

void EndByStop(int status) {
#ifdef _WIN32
    (void)status;
    finished = true;
    ExitProcess(kStoppedExitCode);
#else
    const int signal = status - 128;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(status);
#endif
}

} // namespace tensilo::ctl
