// Every CreateFileA call this program makes, seen through its import table: which paths the
// Win32 backend opened, as Windows was asked, whatever the backend itself reports.
#pragma once

#include <string>
#include <vector>

namespace tensilo::check {

class OpenRecorder {
public:
    // Points this program's import of kernel32's CreateFileA at the recorder; false when it
    // cannot. Recording starts empty.
    static bool Install();
    // The paths passed to CreateFileA since the last call, oldest first.
    static std::vector<std::string> Take();
};

} // namespace tensilo::check
