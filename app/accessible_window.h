// A top-level window of the program as assistive technology should see it: a window (a "frame"
// on AT-SPI) named by its title. Qt shows a plain QWidget window as a nameless-kind "filler",
// which screen readers do not announce as a window.
#pragma once

class QWidget;

namespace tensilo::app {

// Call once, as the window is made.
void RegisterAccessibleWindow(QWidget& window);

} // namespace tensilo::app
