#include "device/access_hint.h"

#include <array>
#include <cstdlib>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
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

#ifndef _WIN32
// The sentence that says where the rule is, and what makes udev apply it; `who` is whom it gives
// access.
std::string RuleSentence(const std::optional<fs::path>& rule, const std::string& who) {
    const std::string apply = "run `sudo udevadm control --reload` and `sudo udevadm trigger`, or "
                              "plug the board in again.\n";
    if (rule)
        return "The udev rule " + rule->string() + " gives " + who +
               " access once udev has applied it: " + apply;
    return std::string("The udev rule ") + kUdevRuleName + " that gives " + who +
           " access is not installed: install the Debian package, or `sudo cmake --install` the "
           "build folder; then " +
           apply;
}

bool ProcessInGroup(const char* group) {
    const struct group* entry = ::getgrnam(group);
    if (entry == nullptr)
        return false;
    if (::getegid() == entry->gr_gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    const int got = ::getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == entry->gr_gid)
            return true;
    return false;
}
#endif

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

HintReader ThisUser() {
    HintReader reader;
#ifndef _WIN32
    const char* seat = std::getenv("XDG_SEAT");
    reader.atSeat = seat != nullptr && *seat != '\0';
    reader.inGroup = ProcessInGroup(kBoardAccessGroup);
    if (const struct passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_name)
        reader.name = user->pw_name;
    else if (const char* name = std::getenv("USER"); name != nullptr && *name != '\0')
        reader.name = name;
#endif
    return reader;
}

std::string NoAccessHint(const std::optional<fs::path>& rule, const HintReader& reader) {
#ifdef _WIN32
    (void)rule;
    (void)reader;
    return "A Tensilo board is plugged in, but Windows refuses this user access to it.\n"
           "tensilo-hid-list, run in a console, shows every HID interface and why it is refused.";
#else
    std::string hint = "A Tensilo board is plugged in, but this user may not open it.\n";
    if (reader.atSeat) {
        hint += RuleSentence(rule, "the user at the seat");
    } else {
        hint += RuleSentence(rule, std::string("the group ") + kBoardAccessGroup);
        if (!reader.inGroup)
            hint += "This user is not at a seat (a login over SSH, cron or a service) and not in "
                    "that group: run `sudo usermod -aG " +
                    std::string(kBoardAccessGroup) + " " + reader.name + "`, then log in again.\n";
    }
    return hint + "tensilo-hid-list shows every HID interface and why it is refused.";
#endif
}

std::string NoAccessHint() {
    return NoAccessHint(InstalledUdevRule(RunningProgram()), ThisUser());
}

} // namespace tensilo::device
