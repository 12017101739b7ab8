#include "tests/backends/windows/check/open_recorder.h"

#include "tests/backends/windows/check/import_patch.h"

#include <windows.h>

#include <utility>

namespace tensilo::check {

namespace {

using CreateFileFunction = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                           DWORD, HANDLE);
CreateFileFunction original = nullptr;
std::vector<std::string> opened;

HANDLE WINAPI Record(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE model) {
    opened.emplace_back(path != nullptr ? path : "");
    return original(path, access, share, security, disposition, flags, model);
}

} // namespace

bool OpenRecorder::Install() {
    opened.clear();
    if (original != nullptr)
        return true;
    return ReplaceImport("kernel32.dll", "CreateFileA", reinterpret_cast<void*>(&Record),
                         reinterpret_cast<void**>(&original));
}

std::vector<std::string> OpenRecorder::Take() {
    return std::exchange(opened, {});
}

} // namespace tensilo::check
