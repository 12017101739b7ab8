#include "device/access_hint.h"

#include <array>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tensilo::device {

namespace fs = std::filesystem;

namespace {

// The program that is running, as the system knows it; empty when it does not say.
fs::path RunningProgram() {
    std::error_code error;
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    name.resize(length < name.size() ? length : 0);
    return fs::path(name);
#else
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program;
#endif
}

} // namespace

std::optional<fs::path> InstalledUdevRule(const fs::path& programFile) {
    const fs::path rules = fs::path("lib") / "udev" / "rules.d" / kUdevRuleName;
    const std::array<fs::path, 4> candidates = {
        programFile.empty() ? fs::path() : programFile.parent_path().parent_path() / rules,
        fs::path(TENSILO_INSTALL_PREFIX) / rules,
        fs::path("/usr") / rules,
        fs::path("/etc/udev/rules.d") / kUdevRuleName,
    };
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (!candidate.empty() && fs::is_regular_file(candidate, error))
            return candidate.lexically_normal();
    }
    return std::nullopt;
}

std::string NoAccessHint(const std::optional<fs::path>& rule) {
#ifdef _WIN32
    (void)rule;
    return "A Tensilo board is plugged in, but Windows refuses this user access to it.\n"
           "tensilo-hid-list, run in a console, shows every HID interface and why it is refused.";
#else
    std::string hint = "A Tensilo board is plugged in, but this user may not open it.\n";
    if (rule)
        hint += "The udev rule " + rule->string() + " gives the user at the seat access once udev "
                "has applied it: run `sudo udevadm control --reload` and `sudo udevadm trigger`, "
                "or plug the board in again.\n";
    else
        hint += std::string("The udev rule ") + kUdevRuleName + " that gives the user at the seat "
                "access is not installed: install the Debian package, or `sudo cmake --install` "
                "the build folder; then run `sudo udevadm control --reload` and "
                "`sudo udevadm trigger`, or plug the board in again.\n";
    return hint + "tensilo-hid-list shows every HID interface and why it is refused.";
#endif
}

std::string NoAccessHint() {
    return NoAccessHint(InstalledUdevRule(RunningProgram()));
}

} // namespace tensilo::device
