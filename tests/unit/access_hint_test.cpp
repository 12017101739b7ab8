// The one hint about a board this user may not open: the udev rule is found where this
// installation put it, and the text names it, or says it is not installed.
#include "device/access_hint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

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
    for (const char* command : {"`sudo udevadm control --reload`", "`sudo udevadm trigger`",
                                "tensilo-hid-list"})
        EXPECT_NE(hint.find(command), std::string::npos) << command;

    const std::string missing = NoAccessHint(std::nullopt);
    EXPECT_NE(missing.find("70-tensilo.rules that gives the user at the seat access is not "
                           "installed"),
              std::string::npos)
        << missing;
    EXPECT_EQ(missing.find("packaging/"), std::string::npos);
    fs::remove_all(prefix);
}

} // namespace
} // namespace tensilo::device
