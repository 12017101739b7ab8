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
    // Qt hands a fill of 96 lines or more (the frames' borders) to its shared thread pool in
    // parts and waits for them. With a thread per processor, starting the threads and handing
    // out the window's few such fills costs more than drawing them; one thread costs least, as Qt
    // starts no fewer. The program has no other use for the pool.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
}

} // namespace tensilo::app
