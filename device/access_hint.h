// What a user can do about a board of the product that this user may not open: one text for every
// program that meets one (the window's tooltip, tensilo-hid-list, tensiloctl). On Linux it names
// where the udev rule that grants access is on this installation, and the two commands that make
// udev apply it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tensilo::device {

// The name of the udev rule file the programs install.
inline constexpr const char* kUdevRuleName = "70-tensilo.rules";

// Where the udev rule is for the program at `programFile`: beside the installation the program
// runs from (PREFIX/bin/program and PREFIX/lib/udev/rules.d), then in the prefix the programs
// were built for, then in the system's rule folders. None when it is in none of them.
std::optional<std::filesystem::path> InstalledUdevRule(const std::filesystem::path& programFile);

// The hint, one sentence a line, for a rule at `rule` (or none installed).
std::string NoAccessHint(const std::optional<std::filesystem::path>& rule);

// The hint for the program that is running.
std::string NoAccessHint();

} // namespace tensilo::device
