// What a program whose one window is FrmMain sets in its application before it makes the window.
#pragma once

namespace tensilo::app {

// Call once, after the QApplication is made and before the window is.
void PrepareApplication();

} // namespace tensilo::app
