#include "tools/common/utf8_console.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>

namespace tensilo::tools {

#ifdef _WIN32
Utf8Console::Utf8Console() : previous_(GetConsoleOutputCP()) {
    if (previous_ != 0)
        SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    std::fflush(stdout);
    if (previous_ != 0)
        SetConsoleOutputCP(previous_);
}
#else
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;
#endif

} // namespace tensilo::tools
