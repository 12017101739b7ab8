// Behaviours of the window that no scenario file can show: its controls as they are created, before
// the first search (against the values the window must have, typed here, not read from the
// layout table the window is built from); the gain writes going on past a refused one; and the
// gain lists written in the user's locale.
#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"
#include "tests/window/process_state.h"

#include <QComboBox>
#include <QEvent>
#include <QLocale>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tensilo::app {
namespace {

using device::sim::SimCall;

struct ExpectedControl {
    const char* name;
    const char* caption; // nullptr for a control without one
    int left, top, width, height;
    bool enabled;
    std::optional<QColor> fill; // rectangles only
};

const QColor kWhite(255, 255, 255);
const QColor kGreen(0, 128, 0);

// clang-format off
const ExpectedControl kExpected[] = {
    {"Frame1",     "Device details",           120,  120, 4215, 1935, false, {}},
    {"Label5",     "Product name",             240,  360, 1215,  285, true,  {}},
    {"lblProduct", "",                        1560,  360, 3300,  330, true,  {}},
    {"Label4",     "Made by",                  240,  720, 1215,  285, true,  {}},
    {"lblManuf",   "",                        1560,  720, 3300,  330, true,  {}},
    {"Label2",     "Version",                  240, 1080, 1455,  285, true,  {}},
    {"lblVersion", "",                        1560, 1080, 3300,  330, true,  {}},
    {"Label3",     "Serial Number",            240, 1440, 1815,  285, true,  {}},
    {"SerNo",      nullptr,                   1635, 1380, 1320,  360, false, {}},
    {"Command1",   "Restore default settings", 6480, 840, 2895,  495, true,  {}},
    {"Frame3",     "Input gain",               120, 2160, 4215, 2055, false, {}},
    {"LC_gain",    nullptr,                    240,  450, 1200,  360, true,  {}},
    {"Label6",     "Load cell gain",          1620,  495, 2000,  315, false, {}},
    {"Pot1",       nullptr,                    240,  950, 1200,  360, false, {}},
    {"Label8",     "Potentiometer 1 gain",    1620,  995, 2000,  315, false, {}},
    {"Pot2",       nullptr,                    240, 1450, 1200,  360, false, {}},
    {"Label7",     "Potentiometer 2 gain",    1620, 1495, 2000,  315, false, {}},
    {"Summary",    nullptr,                    240, 3600, 4695, 1455, true,  {}},
    {"Frame2",     "Scaled outputs",          4560, 2160, 6735, 2055, false, {}},
    {"LC_frame",   nullptr,                    240,  480, 4695,  285, true,  kWhite},
    {"LC_bar",     nullptr,                    285,  525,   15,  195, true,  kGreen},
    {"Label10",    "Load cell",               5100,  495, 1500,  315, false, {}},
    {"Pot1_frame", nullptr,                    240,  980, 4695,  285, true,  kWhite},
    {"Pot1_bar",   nullptr,                    285, 1025,   15,  195, true,  kGreen},
    {"Label9",     "Potentiometer 1",         5100,  995, 1500,  315, false, {}},
    {"Pot2_frame", nullptr,                    240, 1480, 4695,  285, true,  kWhite},
    {"Pot2_bar",   nullptr,                    285, 1525,   15,  195, true,  kGreen},
    {"Label11",    "Potentiometer 2",         5100, 1495, 1500,  315, false, {}},
};
// clang-format on

TEST(WindowAtCreation, EveryControlHasItsCaptionPlaceSizeStateAndFill) {
    device::sim::SimulatedBoards boards;
    const FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
    for (const ExpectedControl& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const Control* control = window.control(expected.name);
        ASSERT_NE(control, nullptr);
        const QWidget* widget = control->widget();
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->pos(), QPoint(TwipsToPixels(expected.left), TwipsToPixels(expected.top)));
        EXPECT_EQ(widget->height(), TwipsToPixels(expected.height));
        EXPECT_EQ(control->enabled(), expected.enabled);
        if (const auto* captioned = dynamic_cast<const CaptionedControl*>(control)) {
            EXPECT_EQ(captioned->caption().toStdString(), expected.caption ? expected.caption : "<none>");
        }
        if (const auto* rect = dynamic_cast<const RectControl*>(control)) {
            EXPECT_EQ(rect->width(), static_cast<float>(expected.width));
            EXPECT_EQ(rect->fill(), expected.fill.value_or(QColor()));
        } else {
            EXPECT_EQ(widget->width(), TwipsToPixels(expected.width));
        }
        if (const auto* list = dynamic_cast<const ListControl*>(control)) {
            EXPECT_EQ(list->count(), 0);
        }
    }
    EXPECT_FALSE(window.Timer.enabled());
    EXPECT_EQ(window.Timer.interval(), 50);
}

// The window is painted on the screen before the first search: the serial list is still empty
// when the first paint arrives.
TEST(WindowLoad, PaintsTheWindowBeforeTheFirstSearch) {
    class FirstPaint : public QObject {
    public:
        explicit FirstPaint(const FrmMain& window) : window_(window) {}
        std::optional<int> serialItems;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (watched == &window_ && event->type() == QEvent::Paint && !serialItems)
                serialItems = window_.SerNo.count();
            return false;
        }

    private:
        const FrmMain& window_;
    };
    device::sim::SimulatedBoards boards;
    boards.Attach(boards.DefineBoard(device::sim::SaneBoard("A")));
    FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
    FirstPaint firstPaint(window);
    window.installEventFilter(&firstPaint);
    window.Form_Load();
    ASSERT_TRUE(firstPaint.serialItems.has_value()) << "no paint during the window's load";
    EXPECT_EQ(*firstPaint.serialItems, 0);
    EXPECT_EQ(window.SerNo.count(), 1);
    window.close();
}

// A register write the board refuses does not stop the ones after it, and the last result is
// the third write's.
TEST(GainWrites, ARefusedWriteDoesNotStopTheOthers) {
    struct Case {
        int refused;          // which of the three writes the board refuses
        std::int32_t result;  // LastResult afterwards
    };
    for (const Case& c : {Case{0, 1}, Case{1, 1}, Case{2, 0}}) {
        SCOPED_TRACE("refused write " + std::to_string(c.refused));
        device::sim::SimulatedBoards boards;
        const auto board = boards.DefineBoard(device::sim::SaneBoard("A"));
        boards.Attach(board);
        FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
        window.Form_Load();
        ASSERT_TRUE(window.LC_gain.reachable());
        const std::size_t before = boards.TakenWrites().size();
        boards.FailOneCall(board, SimCall::SetFeature, c.refused);
        window.LC_gain.choose(1024);
        EXPECT_EQ(boards.TakenWrites().size() - before, 2u);
        EXPECT_EQ(window.state().LastResult, c.result);
        window.close();
    }
}

// The gain lists write a fraction with the decimal separator of the user's locale.
TEST(GainLists, UseTheLocalesDecimalSeparator) {
    struct Case {
        QLocale locale;
        const char* item1;
    };
    const testing::DefaultLocaleGuard restored;
    for (const Case& c : {Case{QLocale(QLocale::German, QLocale::Germany), "1,00390625"},
                          Case{QLocale::c(), "1.00390625"}}) {
        SCOPED_TRACE(c.item1);
        QLocale::setDefault(c.locale);
        device::sim::SimulatedBoards boards;
        boards.Attach(boards.DefineBoard(device::sim::SaneBoard("A")));
        FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
        window.Form_Load();
        for (const ListControl* list : {&window.LC_gain, &window.Pot1, &window.Pot2}) {
            const auto* box = qobject_cast<const QComboBox*>(list->widget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->itemText(1).toStdString(), c.item1);
        }
        window.close();
    }
}

} // namespace
} // namespace tensilo::app
