// Guards for what a window test changes for the whole process: each takes note of the state as it
// is made and puts it back when it goes, however the test ends (a failed ASSERT returns early), so
// that the tests pass in any order and any number of times in one process.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>
#include <QThreadPool>

#include <utility>
#include <vector>

namespace tensilo::app::testing {

// The default locale, in which the window writes its gain texts.
class DefaultLocaleGuard {
public:
    DefaultLocaleGuard() = default;
    ~DefaultLocaleGuard() { QLocale::setDefault(saved_); }
    DefaultLocaleGuard(const DefaultLocaleGuard&) = delete;
    DefaultLocaleGuard& operator=(const DefaultLocaleGuard&) = delete;

private:
    QLocale saved_;
};

// The application's font and the fonts it holds for classes of widgets. Qt cannot list the
// classes it holds fonts for, so the guard notes those a desktop theme may set, which include
// every class the application's preparation pins. A class whose font equals the application's is
// restored as holding none, which it shows as the same font.
class ApplicationFontsGuard {
public:
    ApplicationFontsGuard() : application_(QGuiApplication::font()) {
        for (const char* name : kClassNames) {
            const QFont font = QApplication::font(name);
            if (font != application_)
                classes_.emplace_back(name, font);
        }
    }
    ~ApplicationFontsGuard() {
        // Without a class name, QApplication::setFont also forgets every class's font.
        QApplication::setFont(application_);
        for (const auto& [name, font] : classes_)
            QApplication::setFont(font, name.constData());
    }
    ApplicationFontsGuard(const ApplicationFontsGuard&) = delete;
    ApplicationFontsGuard& operator=(const ApplicationFontsGuard&) = delete;

private:
    static constexpr const char* kClassNames[] = {
        "QMenu",        "QMenuBar",       "QMenuItem",         "QMessageBox",
        "QLabel",       "QTipLabel",      "QTitleBar",         "QStatusBar",
        "QMdiSubWindowTitleBar",          "QDockWidgetTitle",  "QPushButton",
        "QCheckBox",    "QRadioButton",   "QToolButton",       "QAbstractItemView",
        "QListView",    "QHeaderView",    "QListBox",          "QComboMenuItem",
        "QComboLineEdit", "QSmallFont",   "QMiniFont",         "QComboBox"};

    QFont application_;
    std::vector<std::pair<QByteArray, QFont>> classes_;
};

// The number of threads the shared thread pool may start.
class ThreadPoolSizeGuard {
public:
    ThreadPoolSizeGuard() : saved_(QThreadPool::globalInstance()->maxThreadCount()) {}
    ~ThreadPoolSizeGuard() { QThreadPool::globalInstance()->setMaxThreadCount(saved_); }
    ThreadPoolSizeGuard(const ThreadPoolSizeGuard&) = delete;
    ThreadPoolSizeGuard& operator=(const ThreadPoolSizeGuard&) = delete;

private:
    int saved_;
};

// What preparing the application changes: its fonts and the thread pool's size.
struct PreparedApplicationGuard {
    ApplicationFontsGuard fonts;
    ThreadPoolSizeGuard threadPool;
};

} // namespace tensilo::app::testing
