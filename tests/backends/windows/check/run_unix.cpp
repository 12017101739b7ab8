// Runs a Unix program from a Windows program under Wine, waits for it to end and exits with its
// exit status:
//
//   tensilo-run-unix.exe UNIX_PROGRAM [ARG]...
//
// Wine's CreateProcess starts a Unix executable given by its Unix path, but hands back no process
// handle: the caller can neither wait for it nor learn its exit status. tensilo-scenario.exe needs
// both from its plug command (a board must be plugged in before the next line runs, and a failed
// plug must fail the scenario), so it runs the plug command through this program.
//
// The Unix program runs under /bin/sh, which writes its own process number to a file, then the
// program's exit status once the program has ended; this program waits for that second line.
// Wine hands a Unix process its standard handles only where they are files (a pipe arrives as
// /dev/null), hence a file. The program itself does not get the file (its standard output goes to
// standard error), so a board it leaves running cannot write to it; should the shell end without
// writing (killed), the end of its Unix process ends the wait.
#include "tests/backends/windows/check/command_line.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using tensilo::check::QuoteArgument;

namespace {

// What the file holds, read with the system's calls (the C++ streams throw where Wine's reading
// of a Unix /proc file fails); empty when it cannot be opened. `opened` tells which.
std::string ReadWholeFile(const std::string& path, bool* opened = nullptr) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (opened)
        *opened = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[512];
    DWORD got = 0;
    while (content.size() < 4096 && ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

// Whether the Unix process whose /proc/PID/stat this is still runs: gone, or a zombie, has ended.
// A stat that exists but cannot be read counts as running.
bool UnixProcessRuns(const std::string& statPath) {
    bool opened = false;
    const std::string stat = ReadWholeFile(statPath, &opened);
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size())
        return opened;
    return stat[nameEnd + 2] != 'Z';
}

int Fail(const char* what) {
    std::fprintf(stderr, "tensilo-run-unix: %s (error %lu)\n", what, GetLastError());
    return 127;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tensilo-run-unix UNIX_PROGRAM [ARG]...\n");
        return 127;
    }
    // Descriptor 3 keeps the status file for the shell alone; the program writes its own output
    // to standard error.
    const char* const script = "exec 3>&1 1>&2; echo $$ >&3; \"$0\" \"$@\" 3>&-; echo $? >&3";
    std::string command = "/bin/sh -c " + QuoteArgument(script) + " ";
    for (int i = 1; i < argc; ++i)
        command += (i > 1 ? " " : "") + QuoteArgument(argv[i]);

    char folder[MAX_PATH + 1];
    char statusPath[MAX_PATH + 1];
    if (GetTempPathA(sizeof folder, folder) == 0 ||
        GetTempFileNameA(folder, "tru", 0, statusPath) == 0)
        return Fail("cannot make a file for the exit status");
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    const HANDLE statusWrite =
        CreateFileA(statusPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (statusWrite == INVALID_HANDLE_VALUE)
        return Fail("cannot open the file for the exit status");

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = statusWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(statusWrite);
    if (!started) {
        DeleteFileA(statusPath);
        return Fail("cannot start /bin/sh");
    }
    // Wine gives no handles for a Unix process; close whatever a later Wine may give.
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);

    // The shell writes its Unix process number, then the exit status, a line each. Wine's process
    // number for a Unix process is not the Unix one, hence the first line.
    std::string status;
    for (std::string shellState;;) {
        status = ReadWholeFile(statusPath);
        const std::size_t pidEnd = status.find('\n');
        if (pidEnd != std::string::npos && status.find('\n', pidEnd + 1) != std::string::npos)
            break;
        if (pidEnd != std::string::npos && shellState.empty())
            shellState = "Z:\\proc\\" + status.substr(0, pidEnd) + "\\stat";
        if (!shellState.empty() && !UnixProcessRuns(shellState)) {
            status = ReadWholeFile(statusPath);
            break;
        }
        Sleep(10);
    }
    DeleteFileA(statusPath);
    const std::size_t statusStart = status.find('\n') + 1;
    char* end = nullptr;
    const long code = std::strtol(status.c_str() + statusStart, &end, 10);
    if (statusStart == 0 || end == status.c_str() + statusStart || *end != '\n') {
        std::fprintf(stderr, "tensilo-run-unix: %s ended without an exit status\n", argv[1]);
        return 127;
    }
    return static_cast<int>(code);
}
