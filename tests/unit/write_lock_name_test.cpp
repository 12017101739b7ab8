// The Windows name of a board's write lock: one per interface path, whatever the case Windows
// writes it in, and always a name a mutex may have in the session's namespace.
#include "device/write_lock_name.h"

#include <gtest/gtest.h>

#include <set>

namespace tensilo::device {
namespace {

TEST(WriteLockName, OneNamePerPathInTheSessionNamespace) {
    const std::string board =
        "\\\\?\\hid#vid_1209&pid_7e51#7&2f1b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    struct Row {
        std::string path;
        bool sameAsBoard;
    };
    const Row rows[] = {
        {board, true},
        {"\\\\?\\HID#VID_1209&PID_7E51#7&2F1B3C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}",
         true},
        {"\\\\?\\hid#vid_1209&pid_7e51#7&2f1b3c&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         false},
        {"\\\\?\\hid#vid_1209&pid_7e51#8&2f1b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         false},
        {"", false},
        {std::string(4000, '\\'), false},
    };
    const std::string boardName = WriteLockName(board);
    std::set<std::string> names;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.substr(0, 80));
        const std::string name = WriteLockName(row.path);
        EXPECT_EQ(name == boardName, row.sameAsBoard);
        ASSERT_EQ(name.rfind("Local\\", 0), 0u);
        EXPECT_EQ(name.find('\\', 6), std::string::npos) << name;
        EXPECT_LT(name.size(), 260u) << "MAX_PATH";
        names.insert(name);
    }
    EXPECT_EQ(names.size(), std::size(rows) - 1) << "only the two spellings of one path meet";
}

} // namespace
} // namespace tensilo::device
