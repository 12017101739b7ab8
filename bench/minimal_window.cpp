// tensilo-bench-minimal-window: the smallest Qt Widgets program that shows a window, a QWidget with
// one label, and exits after its first paint. It is the yardstick for the start-up time and the
// peak memory of tensilo-bench-start (see startup.sh).
#include "bench/bench_support.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    tensilo::bench::ChooseOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    QLabel label(QStringLiteral("Tensilo Configuration"), &window);
    label.move(10, 10);
    window.resize(762, 291); // the size of the real window at 96 dpi
    tensilo::bench::QuitAfterFirstPaint(window);
    window.show();
    return QApplication::exec();
}
