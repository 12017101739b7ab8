#include "app/application_setup.h"

#include "app/window_font.h"

#include <QApplication>
#include <QThreadPool>

namespace tensilo::app {

void PrepareApplication() {
    // The window's font as the application's: a line edit lays out its empty text in the
    // application's font as it is made, before it takes the window's, and would load a font the
    // window never draws with. Set through QGuiApplication: QApplication's setFont would also drop
    // the desktop theme's fonts for classes of widgets. Pinned first, so that they stay as they
    // were: tool tips and menus in the desktop's font, and the lists' popups in the window's (Qt
    // gives a popup the theme's menu-item font when a box's font is the application's).
    for (const char* className : {"QTipLabel", "QMenu"})
        QApplication::setFont(QApplication::font(className), className);
    const QFont windowFont = WindowFont();
    QApplication::setFont(windowFont, "QComboMenuItem");
    QGuiApplication::setFont(windowFont);
    // Qt hands a fill of 96 lines or more (the frames' borders) to its shared thread pool in
    // parts and waits for them. With a thread per processor, starting the threads and handing
    // out the window's few such fills costs more than drawing them; one thread costs least, as Qt
    // starts no fewer. The program has no other use for the pool.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
}

} // namespace tensilo::app
