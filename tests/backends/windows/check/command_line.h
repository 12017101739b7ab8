// One argument quoted for a Windows command line, so that the usual splitting (the C runtime's,
// and Wine's when it starts a Unix program) gives it back unchanged; and a process started from
// such arguments.
#pragma once

#include <windows.h>

#include <string>

namespace tensilo::check {

inline std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote are doubled.
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

// Starts the command line `arguments` (the program first) as a Windows process; its process
// handle, or nullptr.
inline HANDLE StartProcess(int count, const char* const* arguments) {
    std::string command;
    for (int i = 0; i < count; ++i)
        command += (i > 0 ? " " : "") + QuoteArgument(arguments[i]);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

} // namespace tensilo::check
