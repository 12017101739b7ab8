// Where the demo puts its two windows on the screen: the "Simulated boards" window beside the main
// window, and both wholly inside the screen's available area (a 1280x800 laptop screen included).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace tensilo::demo {

struct Placement {
    QPoint main;   // top-left corner of the main window's frame
    QPoint boards; // top-left corner of the boards window's frame
};

// Keeps the main window where it is if the pair fits there, else moves the pair as little as
// needed: the boards window goes `gap` pixels right of the main window when the two fit side by
// side, else below it when they fit one above the other, else into the bottom-right corner,
// over the main window. A window larger than the area keeps its top-left corner inside it.
Placement PlaceBeside(const QRect& mainFrame, const QSize& boardsFrame, const QRect& available,
                      int gap);

// Moves both shown windows as PlaceBeside says, on the main window's screen.
void PlaceDemoWindows(QWidget& main, QWidget& boards);

} // namespace tensilo::demo
