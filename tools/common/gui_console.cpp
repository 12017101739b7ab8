#include "tools/common/gui_console.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#endif

namespace tensilo::tools {

#ifdef _WIN32
namespace {

// A standard handle the program was given: a console, a file or a pipe.
bool Usable(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void Reopen(const char* device, std::FILE* stream) {
    if (std::FILE* reopened = std::freopen(device, "w", stream))
        std::setvbuf(reopened, nullptr, stream == stderr ? _IONBF : _IOLBF, BUFSIZ);
}

} // namespace

void UseStartingConsole() {
    // Redirected output (a file, a pipe) is kept; only missing streams go to the console.
    const bool output = Usable(STD_OUTPUT_HANDLE);
    const bool error = Usable(STD_ERROR_HANDLE);
    bool console = false;
    if ((!output || !error) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console = true;
        if (!output)
            Reopen("CONOUT$", stdout);
        if (!error)
            Reopen("CONOUT$", stderr);
    }
    // Qt writes its messages to standard error only when told so or when it sees a console.
    if (error || console)
        _putenv_s("QT_FORCE_STDERR_LOGGING", "1");
}
#else
void UseStartingConsole() {}
#endif

} // namespace tensilo::tools
