// Preparing the application gives it the window's font without changing the fonts of what the
// window opens: tool tips and menus stay in the desktop's fonts, the lists' popups in the window's,
// on a desktop whose theme names fonts for them and on one that names none.
#include "app/application_setup.h"
#include "app/window_font.h"
#include "tests/window/process_state.h"

#include <QApplication>
#include <QMenu>
#include <QToolTip>

#include <gtest/gtest.h>

namespace tensilo::app {
namespace {

QFont MenuFont() {
    QMenu menu;
    menu.ensurePolished(); // a widget takes its class's font when it is polished
    return menu.font();
}

// Every test here prepares the application, as the programs do once; the fixture puts back what
// that changes.
class ApplicationSetupTest : public ::testing::Test {
protected:
    testing::PreparedApplicationGuard restored;
};

TEST_F(ApplicationSetupTest, WithoutThemeFontsPopupsKeepTheDesktopsFont) {
    const QFont desktop = QGuiApplication::font();
    ASSERT_NE(desktop, WindowFont()) << "the test needs a desktop font other than the window's";
    PrepareApplication();
    EXPECT_EQ(QGuiApplication::font(), WindowFont());
    EXPECT_EQ(QToolTip::font(), desktop);
    EXPECT_EQ(MenuFont(), desktop);
    EXPECT_EQ(QApplication::font("QComboMenuItem"), WindowFont());
}

TEST_F(ApplicationSetupTest, ThemeFontsForToolTipsAndMenusStayAndTheListsPopupsKeepTheWindowsFont) {
    QFont theme("DejaVu Serif", 11);
    for (const char* className : {"QTipLabel", "QMenu", "QComboMenuItem"})
        QApplication::setFont(theme, className);
    PrepareApplication();
    EXPECT_EQ(QGuiApplication::font(), WindowFont());
    EXPECT_EQ(QToolTip::font(), theme);
    EXPECT_EQ(MenuFont(), theme);
    EXPECT_EQ(QApplication::font("QComboMenuItem"), WindowFont())
        << "a box in the application's font would open its popup in the theme's";
}

} // namespace
} // namespace tensilo::app
