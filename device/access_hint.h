// What a user can do about a board of the product that this user may not open: one text for every
// program that meets one (the window's tooltip, tensilo-hid-list, tensiloctl). On Linux it names
// where the udev rule that grants access is on this installation, and the two commands that make
// udev apply it. The rule gives access two ways: to the user at the seat (a desktop or console
// login), and to the group plugdev, for a user who is not at a seat (a login over SSH, a cron job,
// a service); such a user is told how to join the group.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tensilo::device {

// The name of the udev rule file the programs install.
inline constexpr const char* kUdevRuleName = "70-tensilo.rules";

// The group the udev rule gives read and write access to the boards.
inline constexpr const char* kBoardAccessGroup = "plugdev";

// Where the udev rule is for the program at `programFile`: beside the installation the program
// runs from (PREFIX/bin/program and PREFIX/lib/udev/rules.d), then in the prefix the programs
// were built for, then in the system's rule folders. None when it is in none of them.
std::optional<std::filesystem::path> InstalledUdevRule(const std::filesystem::path& programFile);

// Who meets the refusal.
struct HintReader {
    // Whether the user's session sits at a seat, where the rule's uaccess gives access.
    bool atSeat = true;
    // Whether this process has the rule's group already.
    bool inGroup = false;
    // The user's login name, for the command that adds it to the group.
    std::string name = "USER";
};

// The user running this program: at a seat when the login set XDG_SEAT (pam_systemd does for a
// desktop or console session, not for SSH, cron or a service); in the group when it is among the
// process's groups; named as the password database names the effective user.
HintReader ThisUser();

// The hint, one sentence a line, for a rule at `rule` (or none installed), as `reader` needs it.
std::string NoAccessHint(const std::optional<std::filesystem::path>& rule,
                         const HintReader& reader = {});

// The hint for the program that is running, and the user running it.
std::string NoAccessHint();

} // namespace tensilo::device
