#include "tools/demo/window_placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tensilo::demo {

namespace {

constexpr int kGap = 16;

// `start` moved as little as needed for `length` to fit in [low, high); `low` when it cannot.
int FitInto(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

} // namespace

Placement PlaceBeside(const QRect& mainFrame, const QSize& boardsFrame, const QRect& available,
                      int gap) {
    const int left = available.left(), top = available.top();
    const int right = left + available.width(), bottom = top + available.height();
    const QSize main = mainFrame.size();
    Placement placement;
    if (main.width() + gap + boardsFrame.width() <= available.width()) {
        const int x = FitInto(mainFrame.x(), main.width() + gap + boardsFrame.width(), left, right);
        const int y = FitInto(mainFrame.y(), main.height(), top, bottom);
        placement.main = {x, y};
        placement.boards = {x + main.width() + gap, FitInto(y, boardsFrame.height(), top, bottom)};
    } else if (main.height() + gap + boardsFrame.height() <= available.height()) {
        const int y =
            FitInto(mainFrame.y(), main.height() + gap + boardsFrame.height(), top, bottom);
        const int x = FitInto(mainFrame.x(), main.width(), left, right);
        placement.main = {x, y};
        placement.boards = {FitInto(x, boardsFrame.width(), left, right), y + main.height() + gap};
    } else {
        placement.main = {FitInto(mainFrame.x(), main.width(), left, right),
                          FitInto(mainFrame.y(), main.height(), top, bottom)};
        placement.boards = {FitInto(right, boardsFrame.width(), left, right),
                            FitInto(bottom, boardsFrame.height(), top, bottom)};
    }
    return placement;
}

void PlaceDemoWindows(QWidget& main, QWidget& boards) {
    const QScreen* screen = main.screen();
    if (screen == nullptr)
        return;
    const Placement placement = PlaceBeside(main.frameGeometry(), boards.frameGeometry().size(),
                                            screen->availableGeometry(), kGap);
    main.move(placement.main);
    boards.move(placement.boards);
}

} // namespace tensilo::demo
