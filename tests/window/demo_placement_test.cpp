// Where the demo puts its windows: both wholly inside the screen's available area, the boards
// window beside the main window whenever the two fit, the main window moved only when needed.
#include "tools/demo/window_placement.h"

#include <gtest/gtest.h>

namespace tensilo::demo {
namespace {

constexpr int kGap = 16;
// The main window's frame under Windows' default placement (its client area is 762x291) and the
// boards window's frame.
const QSize kMain(778, 330);
const QSize kBoards(340, 160);

enum class Expect { RightOf, Below, Corner };

struct PlacementCase {
    const char* what;
    QPoint mainAt;
    QRect available;
    Expect expect;
    bool mainStays; // the pair fits where the main window is
};

const PlacementCase kCases[] = {
    {"1280x800, main window at the left", {20, 20}, {0, 0, 1280, 760}, Expect::RightOf, true},
    {"1280x800, main window where Windows puts it",
     {200, 150},
     {0, 0, 1280, 760},
     Expect::RightOf,
     false},
    {"1280x800, main window right at the edge",
     {900, 600},
     {0, 0, 1280, 760},
     Expect::RightOf,
     false},
    {"1920x1080 beside a taskbar at the left", {0, 0}, {60, 0, 1860, 1080}, Expect::RightOf, false},
    {"a second screen left of the first",
     {-1500, 100},
     {-1920, 0, 1920, 1040},
     Expect::RightOf,
     true},
    {"1024x768: one above the other", {100, 100}, {0, 0, 1024, 728}, Expect::Below, true},
    {"800x480: over each other, in the corners",
     {300, 300},
     {0, 0, 800, 480},
     Expect::Corner,
     false},
};

TEST(DemoPlacement, BothWindowsOnTheScreenAndBesideEachOtherWhenTheyFit) {
    for (const PlacementCase& test : kCases) {
        SCOPED_TRACE(test.what);
        const Placement placement =
            PlaceBeside(QRect(test.mainAt, kMain), kBoards, test.available, kGap);
        const QRect main(placement.main, kMain);
        const QRect boards(placement.boards, kBoards);
        EXPECT_TRUE(test.available.contains(main)) << main.x() << "," << main.y();
        EXPECT_TRUE(test.available.contains(boards)) << boards.x() << "," << boards.y();
        EXPECT_EQ(placement.main == test.mainAt, test.mainStays);
        switch (test.expect) {
        case Expect::RightOf:
            EXPECT_EQ(boards.left(), main.right() + 1 + kGap);
            EXPECT_EQ(boards.top(), main.top());
            break;
        case Expect::Below:
            EXPECT_EQ(boards.top(), main.bottom() + 1 + kGap);
            EXPECT_EQ(boards.left(), main.left());
            break;
        case Expect::Corner:
            EXPECT_EQ(boards.bottomRight(), test.available.bottomRight());
            break;
        }
    }
}

TEST(DemoPlacement, AWindowLargerThanTheScreenKeepsItsTitleBarOnIt) {
    const QRect available(0, 0, 640, 200);
    const Placement placement = PlaceBeside(QRect({-50, -40}, kMain), kBoards, available, kGap);
    EXPECT_EQ(placement.main, QPoint(0, 0));
    EXPECT_TRUE(available.contains(QRect(placement.boards, kBoards)));
}

} // namespace
} // namespace tensilo::demo
