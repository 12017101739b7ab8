// The one hint about a board this user may not open: the udev rule is found where this
// installation put it, and the text names it, or says it is not installed.
#include "device/access_hint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::device {
namespace {

namespace fs = std::filesystem;

TEST(NoAccessHint, NamesTheRuleOfThisInstallation) {
    std::string pattern = (fs::temp_directory_path() / "tensilo-prefix-XXXXXX").string();
    const fs::path prefix = ::mkdtemp(pattern.data());
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "lib/udev/rules.d");
    const fs::path rule = prefix / "lib/udev/rules.d/70-tensilo.rules";
    std::ofstream(rule) << "# the rule\n";

    EXPECT_EQ(InstalledUdevRule(prefix / "bin/tensilo-config"), rule);
    const std::string hint = NoAccessHint(rule);
    EXPECT_NE(hint.find("The udev rule " + rule.string() + " gives"), std::string::npos) << hint;
    for (const char* command :
         {"`sudo udevadm control --reload`", "`sudo udevadm trigger`", "tensilo-hid-list"})
        EXPECT_NE(hint.find(command), std::string::npos) << command;

    const std::string missing = NoAccessHint(std::nullopt);
    EXPECT_NE(missing.find("70-tensilo.rules that gives the user at the seat access is not "
                           "installed"),
              std::string::npos)
        << missing;
    EXPECT_EQ(missing.find("packaging/"), std::string::npos);
    fs::remove_all(prefix);
}

// Whom the rule gives access, and what else the user must do, by where the user stands: at a seat
// the rule's uaccess serves; anywhere else the group, which a user outside it is told to join.
TEST(NoAccessHint, TellsAUserNotAtASeatAboutTheGroup) {
    const std::string seat = "gives the user at the seat access";
    const std::string group = "gives the group plugdev access";
    const std::string join = "run `sudo usermod -aG plugdev ada`, then log in again.";
    const struct {
        bool atSeat;
        bool inGroup;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } rows[] = {
        {true, false, {seat}, {group, join}},
        {true, true, {seat}, {group, join}},
        {false, false, {group, join}, {seat}},
        {false, true, {group, "udevadm trigger"}, {seat, join}},
    };
    for (const auto& row : rows) {
        for (const std::optional<fs::path>& rule :
             {std::optional<fs::path>("/usr/lib/udev/rules.d/70-tensilo.rules"),
              std::optional<fs::path>()}) {
            const std::string hint = NoAccessHint(rule, HintReader{row.atSeat, row.inGroup, "ada"});
            SCOPED_TRACE(hint);
            for (const std::string& text : row.present)
                EXPECT_NE(hint.find(text), std::string::npos) << text;
            for (const std::string& text : row.absent)
                EXPECT_EQ(hint.find(text), std::string::npos) << text;
        }
    }
}

// Whether the user is at a seat is what the login told the session.
TEST(NoAccessHint, ThisUserIsAtASeatWhenTheLoginNamedOne) {
    const char* before = std::getenv("XDG_SEAT");
    const std::optional<std::string> saved =
        before ? std::optional<std::string>(before) : std::nullopt;
    ::setenv("XDG_SEAT", "seat0", 1);
    EXPECT_TRUE(ThisUser().atSeat);
    ::setenv("XDG_SEAT", "", 1);
    EXPECT_FALSE(ThisUser().atSeat);
    ::unsetenv("XDG_SEAT");
    EXPECT_FALSE(ThisUser().atSeat);
    EXPECT_FALSE(ThisUser().name.empty());
    if (saved)
        ::setenv("XDG_SEAT", saved->c_str(), 1);
}

} // namespace
} // namespace tensilo::device
