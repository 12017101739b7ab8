// What a scenario cannot show: the real widgets' geometry and their state as the window is made,
// against the values the window must have (typed here, not read from the layout table the window is
// built from), that every caption fits in the font actually used, that Summary is out of sight,
// the focus order, and a picture of the window.
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
#include <optional>

namespace tensilo::app {
namespace {

struct ExpectedControl {
    const char* name;
    const char* parent;  // "" for the window
    const char* caption; // nullptr for a control without one
    int left, top, width, height; // twips
    bool enabled;                 // as the window is made, before the first search
    std::optional<QColor> fill;   // rectangles only
};

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 128, 0);

// Every control in the order the window lists them.
// clang-format off
const ExpectedControl kExpected[] = {
    {"Frame1",     "",       "Device details",           120,  120, 4215, 1935, false, {}},
    {"Label5",     "Frame1", "Product name",             240,  360, 1215,  285, true,  {}},
    {"lblProduct", "Frame1", "",                        1560,  360, 3300,  330, true,  {}},
    {"Label4",     "Frame1", "Made by",                  240,  720, 1215,  285, true,  {}},
    {"lblManuf",   "Frame1", "",                        1560,  720, 3300,  330, true,  {}},
    {"Label2",     "Frame1", "Version",                  240, 1080, 1455,  285, true,  {}},
    {"lblVersion", "Frame1", "",                        1560, 1080, 3300,  330, true,  {}},
    {"Label3",     "Frame1", "Serial Number",            240, 1440, 1815,  285, true,  {}},
    {"SerNo",      "Frame1", nullptr,                   1635, 1380, 1320,  360, false, {}},
    {"Timer",      "Frame1", nullptr,                      0,    0,    0,    0, false, {}},
    {"Command1",   "",       "Restore default settings", 6480, 840, 2895,  495, true,  {}},
    {"Frame3",     "",       "Input gain",               120, 2160, 4215, 2055, false, {}},
    {"LC_gain",    "Frame3", nullptr,                    240,  450, 1200,  360, true,  {}},
    {"Label6",     "Frame3", "Load cell gain",          1620,  495, 2000,  315, false, {}},
    {"Pot1",       "Frame3", nullptr,                    240,  950, 1200,  360, false, {}},
    {"Label8",     "Frame3", "Potentiometer 1 gain",    1620,  995, 2000,  315, false, {}},
    {"Pot2",       "Frame3", nullptr,                    240, 1450, 1200,  360, false, {}},
    {"Label7",     "Frame3", "Potentiometer 2 gain",    1620, 1495, 2000,  315, false, {}},
    {"Summary",    "Frame3", nullptr,                    240, 3600, 4695, 1455, true,  {}},
    {"Frame2",     "",       "Scaled outputs",          4560, 2160, 6735, 2055, false, {}},
    {"LC_frame",   "Frame2", nullptr,                    240,  480, 4695,  285, true,  kWhite},
    {"LC_bar",     "Frame2", nullptr,                    285,  525,   15,  195, true,  kGreen},
    {"Label10",    "Frame2", "Load cell",               5100,  495, 1500,  315, false, {}},
    {"Pot1_frame", "Frame2", nullptr,                    240,  980, 4695,  285, true,  kWhite},
    {"Pot1_bar",   "Frame2", nullptr,                    285, 1025,   15,  195, true,  kGreen},
    {"Label9",     "Frame2", "Potentiometer 1",         5100,  995, 1500,  315, false, {}},
    {"Pot2_frame", "Frame2", nullptr,                    240, 1480, 4695,  285, true,  kWhite},
    {"Pot2_bar",   "Frame2", nullptr,                    285, 1525,   15,  195, true,  kGreen},
    {"Label11",    "Frame2", "Potentiometer 2",         5100, 1495, 1500,  315, false, {}},
};
// clang-format on

// Twips to pixels at 96 dots per inch, 15 to a pixel, worked out apart from the window's code.
int Pixels(int twips) {
    return qRound(twips / 15.0);
}

// Each control's widget sits at its place with its parent and height; a bar's width follows what
// the program set, every other widget has the table's width.
void ExpectWidgetsWhereTheTablePutsThem(const FrmMain& window) {
    for (const ExpectedControl& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const Control* control = window.control(expected.name);
        ASSERT_NE(control, nullptr);
        const QWidget* widget = control->widget();
        if (control->kind() == ControlKind::Timer) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->pos(), QPoint(Pixels(expected.left), Pixels(expected.top)));
        EXPECT_EQ(widget->height(), Pixels(expected.height));
        if (const auto* rect = dynamic_cast<const RectControl*>(control)) {
            EXPECT_EQ(widget->width(), qRound(rect->width() / 15.0));
        } else {
            EXPECT_EQ(widget->width(), Pixels(expected.width));
        }
        const QWidget* parent = *expected.parent ? window.control(expected.parent)->widget() : &window;
        EXPECT_EQ(widget->parentWidget(), parent);
    }
}

TEST(WindowAtCreation, EveryControlHasItsPlaceCaptionStateAndFill) {
    device::sim::SimulatedBoards boards;
    const FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
    EXPECT_EQ(window.size(), QSize(762, 291));
    std::vector<std::string> names, expectedNames;
    for (const Control* control : window.controls())
        names.emplace_back(control->name());
    for (const ExpectedControl& expected : kExpected)
        expectedNames.emplace_back(expected.name);
    EXPECT_EQ(names, expectedNames);

    ExpectWidgetsWhereTheTablePutsThem(window);
    for (const ExpectedControl& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const Control* control = window.control(expected.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->enabled(), expected.enabled);
        if (const auto* captioned = dynamic_cast<const CaptionedControl*>(control)) {
            EXPECT_EQ(captioned->caption().toStdString(), expected.caption ? expected.caption : "<none>");
        }
        if (const auto* rect = dynamic_cast<const RectControl*>(control)) {
            EXPECT_EQ(rect->width(), static_cast<float>(expected.width));
            EXPECT_EQ(rect->widget()->width(), Pixels(expected.width));
            EXPECT_EQ(rect->fill(), expected.fill.value_or(QColor()));
        } else {
            EXPECT_FALSE(expected.fill.has_value());
        }
        if (const auto* list = dynamic_cast<const ListControl*>(control)) {
            EXPECT_EQ(list->count(), 0);
        }
    }
    EXPECT_FALSE(window.Timer.enabled());
    EXPECT_EQ(window.Timer.interval(), 50);
}

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

TEST_F(WindowLayoutTest, AShownBoardMovesNoWidget) {
    EXPECT_EQ(window.size(), QSize(762, 291));
    EXPECT_EQ(window.windowTitle(), "Tensilo Configuration");
    ExpectWidgetsWhereTheTablePutsThem(window);
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
