// The guards of the window tests put back what a test changed for the whole process, also when the
// test stops early; the application's class fonts are the part Qt offers no direct way back to.
#include "tests/window/process_state.h"

#include <gtest/gtest.h>

#include <optional>

namespace tensilo::app::testing {
namespace {

TEST(ProcessStateGuards, PutBackTheFontsLocaleAndThreadPoolAsTheyWere) {
    const ApplicationFontsGuard outer;
    const QFont theme("DejaVu Serif", 11);
    QApplication::setFont(theme, "QMenu"); // a class font held before the guarded test
    const QFont application = QGuiApplication::font();
    const QLocale locale;
    const int threads = QThreadPool::globalInstance()->maxThreadCount();

    std::optional<PreparedApplicationGuard> prepared{std::in_place};
    std::optional<DefaultLocaleGuard> localeGuard{std::in_place};
    const QFont other("DejaVu Sans Mono", 7);
    QGuiApplication::setFont(other);
    QApplication::setFont(other, "QComboMenuItem");
    QApplication::setFont(other, "QMenu");
    QThreadPool::globalInstance()->setMaxThreadCount(threads + 3);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    localeGuard.reset();
    prepared.reset();

    EXPECT_EQ(QGuiApplication::font(), application);
    EXPECT_EQ(QApplication::font("QMenu"), theme);
    EXPECT_EQ(QThreadPool::globalInstance()->maxThreadCount(), threads);
    EXPECT_EQ(QLocale(), locale);
    // A class font set under the guard is gone: the class follows the application's font again.
    const QFont later("Liberation Serif", 13);
    QGuiApplication::setFont(later);
    EXPECT_EQ(QApplication::font("QComboMenuItem"), later);
}

} // namespace
} // namespace tensilo::app::testing
