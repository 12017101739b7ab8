// What a scenario cannot show: the real widgets' geometry, that every caption fits in the font
// actually used, that Summary is out of sight, the focus order, and a picture of the window.
#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"
#include "tests/window/process_state.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPixmap>

#include <gtest/gtest.h>

#include <array>

namespace tensilo::app {
namespace {

class WindowLayoutTest : public ::testing::Test {
protected:
    WindowLayoutTest() {
        board = boards.DefineBoard(device::sim::SaneBoard("TS-00417"));
        boards.Attach(board);
        window.Form_Load();
    }

    device::sim::SimulatedBoards boards;
    device::sim::BoardId board = 0;
    FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
};

TEST_F(WindowLayoutTest, WidgetsSitWhereTheLayoutTablePutsThemAtFifteenTwipsAPixel) {
    EXPECT_EQ(window.size(), QSize(762, 291));
    EXPECT_EQ(window.windowTitle(), "Tensilo Configuration");
    for (const Control* control : window.controls()) {
        SCOPED_TRACE(std::string(control->name()));
        const QWidget* widget = control->widget();
        if (control->kind() == ControlKind::Timer) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr);
        const ControlSpec& spec = control->spec();
        EXPECT_EQ(widget->x(), qRound(spec.left / 15.0));
        EXPECT_EQ(widget->y(), qRound(spec.top / 15.0));
        EXPECT_EQ(widget->height(), qRound(spec.height / 15.0));
        const QWidget* expectedParent = spec.parent.empty() ? &window : window.control(spec.parent)->widget();
        EXPECT_EQ(widget->parentWidget(), expectedParent);
    }
    // The bars' widths follow the program: a full-scale bar of 4611 twips stays inside its track.
    window.LC_bar.setWidth(4611.0f);
    const QRect bar = window.LC_bar.widget()->geometry();
    const QRect track = window.LC_frame.widget()->geometry();
    EXPECT_EQ(bar.width(), 307);
    EXPECT_TRUE(track.contains(bar));
}

TEST_F(WindowLayoutTest, TheWindowKeepsItsSize) {
    window.resize(1200, 900);
    EXPECT_EQ(window.size(), QSize(762, 291));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
}

TEST_F(WindowLayoutTest, EveryCaptionFitsItsControlInTheFontUsed) {
    const QFontInfo used(window.font());
    EXPECT_DOUBLE_EQ(window.font().pointSizeF(), 9.75);
#ifdef Q_OS_LINUX
    EXPECT_EQ(used.family(), "Liberation Sans") << "fonts-liberation keeps the layout's widths";
#endif
    for (const Control* control : window.controls()) {
        const auto* label = qobject_cast<const QLabel*>(control->widget());
        const auto* button = qobject_cast<const QAbstractButton*>(control->widget());
        const auto* frame = qobject_cast<const QGroupBox*>(control->widget());
        const QString text = label ? label->text() : button ? button->text() : frame ? frame->title() : QString();
        if (text.isEmpty())
            continue;
        SCOPED_TRACE(text.toStdString());
        const int needed = QFontMetrics(control->widget()->font()).horizontalAdvance(text);
        EXPECT_LE(needed, control->widget()->width());
    }
}

TEST_F(WindowLayoutTest, SummaryLiesOutOfSightBelowItsFrame) {
    window.show();
    EXPECT_FALSE(window.Summary.text().isEmpty());
    EXPECT_TRUE(window.Summary.widget()->visibleRegion().isEmpty());
    EXPECT_FALSE(window.LC_gain.widget()->visibleRegion().isEmpty());
}

TEST_F(WindowLayoutTest, FocusMovesThroughTheControlsInTheirOrder) {
    std::vector<std::string> order;
    QWidget* widget = window.LC_gain.widget();
    for (int i = 0; i < 6; ++i) {
        for (const Control* control : window.controls())
            if (control->widget() == widget)
                order.emplace_back(control->name());
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"LC_gain", "Command1", "SerNo", "Summary", "Pot1", "Pot2"}));
}

TEST_F(WindowLayoutTest, BoardLabelsUseTheSystemWindowColoursAndShowTextAsItIs) {
    const QPalette palette = window.lblProduct.widget()->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(palette.color(group, QPalette::Window), window.palette().color(group, QPalette::Base));
        EXPECT_EQ(palette.color(group, QPalette::WindowText), window.palette().color(group, QPalette::Text));
    }
    EXPECT_NE(palette.color(QPalette::Active, QPalette::Window),
              window.Label5.widget()->palette().color(QPalette::Active, QPalette::Window))
        << "the other labels keep a label's colours";
    EXPECT_TRUE(window.lblProduct.widget()->autoFillBackground());
    EXPECT_EQ(qobject_cast<QLabel*>(window.lblProduct.widget())->textFormat(), Qt::PlainText);
}

TEST_F(WindowLayoutTest, TheIconHasA32And16PixelImage) {
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

// The three gain lists show one list of texts, made once and shared; each widget shows exactly what
// its list holds, also when the lists are emptied, and the texts follow the locale's separator.
TEST_F(WindowLayoutTest, TheGainListsShowWhatTheyHoldInTheLocalesNotation) {
    const std::array<ListControl*, 3> lists = {&window.LC_gain, &window.Pot1, &window.Pot2};
    const auto combo = [](const ListControl* list) { return qobject_cast<QComboBox*>(list->widget()); };
    const auto widgetsShowTheLists = [&] {
        for (const ListControl* list : lists) {
            SCOPED_TRACE(std::string(list->name()));
            EXPECT_EQ(combo(list)->count(), list->count());
            EXPECT_EQ(combo(list)->currentIndex(), list->listIndex());
            EXPECT_EQ(combo(list)->currentText(), list->text());
            for (const int k : {0, 1, 1024, 2559})
                EXPECT_EQ(combo(list)->itemText(k), list->itemText(k)) << k;
        }
    };
    ASSERT_EQ(window.LC_gain.count(), 2560);
    widgetsShowTheLists();
    EXPECT_EQ(window.Pot2.itemText(2559), "1022");

    {
        const testing::DefaultLocaleGuard restored;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        window.ReadBackSettings();
    }
    for (const ListControl* list : lists)
        EXPECT_EQ(combo(list)->itemText(1), "1,00390625") << list->name();
    window.ReadBackSettings();
    EXPECT_EQ(combo(&window.Pot1)->itemText(1), "1.00390625");

    boards.Detach(board);
    window.Timer.fire();
    ASSERT_EQ(window.state().DeviceDetected, kFalse);
    EXPECT_EQ(window.LC_gain.count(), 0);
    widgetsShowTheLists();
    boards.Attach(board);
    window.Timer.fire();
    ASSERT_EQ(window.state().SettingsLoaded, kTrue);
    widgetsShowTheLists();
}

TEST_F(WindowLayoutTest, ScreenshotForAPersonToLookAt) {
    boards.QueueReport(board, std::vector<std::uint8_t>{0, 0x00, 0x80, 0x00, 0xC0, 0x00, 0x40});
    window.Timer.fire();
    window.show();
    const QPixmap picture = window.grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(762, 291) * picture.devicePixelRatio());
    EXPECT_TRUE(picture.save("window-screenshot.png"));
}

} // namespace
} // namespace tensilo::app
