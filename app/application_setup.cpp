#include "app/application_setup.h"

#include "app/window_font.h"

#include <QGuiApplication>
#include <QThreadPool>

namespace tensilo::app {

void PrepareApplication() {
    // The window's font as the application's: a line edit lays out its empty text in the
    // application's font as it is made, before it takes the window's, and would load a font the
    // window never draws with. QGuiApplication's setFont, not QApplication's: that one also drops
    // the desktop theme's fonts for menus and tool tips.
    QGuiApplication::setFont(WindowFont());
    // Qt hands a fill of more than about a hundred lines (the frames' borders) to its shared
    // thread pool in parts, one thread per processor; starting those threads for the window's
    // few small fills costs more than the fills. The program has no other use for the pool, and
    // Qt starts no fewer than one.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
}

} // namespace tensilo::app
