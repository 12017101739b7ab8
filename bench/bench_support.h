// What the benchmark programs share.
#pragma once

class QWidget;

namespace tensilo::bench {

// Without a display (no X11, no Wayland, no platform chosen by hand) the programs run on Qt's
// offscreen platform. Call before the QApplication is made.
void ChooseOffscreenWithoutDisplay();

// Ends the application's event loop once `window` has been painted for the first time: the exit is
// queued from the window's first paint event, so it runs after that whole paint (children
// included) has been done and flushed.
void QuitAfterFirstPaint(QWidget& window);

} // namespace tensilo::bench
