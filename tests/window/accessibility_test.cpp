// What assistive technology is told of the window, through Qt's accessibility interfaces (the
// same that reach AT-SPI and UI Automation): every control's role, name and description, the
// buddies, the bars' values taken from the input report, their tool tips, and how often a bar
// announces a change. tests/accessibility checks the same from outside, over AT-SPI, with the
// change events themselves (Qt sends none without an accessibility bridge, as offscreen).
#include "app/frm_main.h"
#include "app/value_change_gate.h"
#include "device/sim/simulated_boards.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <vector>

namespace tensilo::app {
namespace {

QAccessibleInterface* Accessible(const Control& control) {
    return QAccessible::queryAccessibleInterface(control.widget());
}

struct Described {
    const char* control;
    QAccessible::Role role;
    const char* name;
    const char* description; // with the sane board "A" read back
    const char* label;       // the label whose buddy it is; "" for none
};

// clang-format off
constexpr std::array<Described, 12> kDescribed = {{
    {"SerNo",      QAccessible::ComboBox,    "Serial number",            "The board shown, chosen by its serial number",     "Label3"},
    {"lblProduct", QAccessible::StaticText,  "Product name",             "Tensilo interface",                                "Label5"},
    {"lblManuf",   QAccessible::StaticText,  "Made by",                  "Tensilo",                                          "Label4"},
    {"lblVersion", QAccessible::StaticText,  "Version",                  "1.1",                                              "Label2"},
    {"Command1",   QAccessible::Button,      "Restore default settings", "Sets the three gains back to 500, 1 and 1",        ""},
    {"LC_gain",    QAccessible::ComboBox,    "Load cell gain",           "Written to the board as soon as it is chosen",     "Label6"},
    {"Pot1",       QAccessible::ComboBox,    "Potentiometer 1 gain",     "Written to the board as soon as it is chosen",     "Label8"},
    {"Pot2",       QAccessible::ComboBox,    "Potentiometer 2 gain",     "Written to the board as soon as it is chosen",     "Label7"},
    {"Summary",    QAccessible::EditableText, "Settings report",         "The board's settings report, in hexadecimal bytes", ""},
    {"LC_bar",     QAccessible::ProgressBar, "Load cell",                "The load cell's scaled output, from 0 to 65535",   "Label10"},
    {"Pot1_bar",   QAccessible::ProgressBar, "Potentiometer 1",          "Potentiometer 1's scaled output, from 0 to 65535", "Label9"},
    {"Pot2_bar",   QAccessible::ProgressBar, "Potentiometer 2",          "Potentiometer 2's scaled output, from 0 to 65535", "Label11"},
}};
// clang-format on

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        board_ = boards_.DefineBoard(device::sim::SaneBoard("A"));
        boards_.Attach(board_);
        window_.Form_Load();
    }
    void TearDown() override { window_.close(); }

    // One poll that reads `report` (ID byte, then pot 1, load cell, pot 2, little-endian).
    void PollReport(std::vector<std::uint8_t> report) {
        boards_.QueueReport(board_, report);
        window_.Timer.fire();
    }

    device::sim::SimulatedBoards boards_;
    device::sim::BoardId board_ = 0;
    FrmMain window_{boards_, TimerControl::Mode::Manual, [] {}};
};

TEST_F(AccessibilityTest, EveryControlIsNamedAndDescribed) {
    for (const Described& d : kDescribed) {
        SCOPED_TRACE(d.control);
        const Control* control = window_.control(d.control);
        ASSERT_NE(control, nullptr);
        QAccessibleInterface* accessible = Accessible(*control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), d.role);
        EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), d.name);
        EXPECT_EQ(accessible->text(QAccessible::Description).toStdString(), d.description);
        if (*d.label) {
            const auto* label = qobject_cast<QLabel*>(window_.control(d.label)->widget());
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->buddy(), control->widget());
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&window_)->role(), QAccessible::Window);
}

// A drop-down list's text is the item it shows; an empty serial list's, why it is empty.
TEST_F(AccessibilityTest, DropDownTextIsTheItemShown) {
    const auto shown = [](const ListControl& list) {
        QAccessibleTextInterface* text = Accessible(list)->textInterface();
        return text ? text->text(0, text->characterCount()).toStdString() : "no text interface";
    };
    EXPECT_EQ(shown(window_.LC_gain), "500");
    EXPECT_EQ(shown(window_.SerNo), "A");
    window_.LC_gain.choose(2293);
    EXPECT_EQ(shown(window_.LC_gain), "501");
    EXPECT_EQ(Accessible(window_.LC_gain)->text(QAccessible::Name).toStdString(), "Load cell gain");
    boards_.Detach(board_);
    window_.Timer.fire();
    EXPECT_EQ(shown(window_.SerNo), "No board");
}

// The value is the sample of the report drawn, not a width turned back into a number (22 pixels
// of bar would give 4690 for the sample 4660 here), and 0 once no board is shown.
TEST_F(AccessibilityTest, BarValuesAreTheSamplesDrawn) {
    const auto value = [](const BarControl& bar) {
        return Accessible(bar)->valueInterface()->currentValue().toInt();
    };
    for (const BarControl* bar : {&window_.LC_bar, &window_.Pot1_bar, &window_.Pot2_bar}) {
        QAccessibleValueInterface* range = Accessible(*bar)->valueInterface();
        ASSERT_NE(range, nullptr);
        EXPECT_EQ(range->minimumValue().toInt(), 0);
        EXPECT_EQ(range->maximumValue().toInt(), 65535);
        EXPECT_EQ(range->currentValue().toInt(), 0);
    }
    PollReport({0x00, 0x34, 0x12, 0xFF, 0xFF, 0x01, 0x00});
    EXPECT_EQ(value(window_.Pot1_bar), 0x1234);
    EXPECT_EQ(value(window_.LC_bar), 65535);
    EXPECT_EQ(value(window_.Pot2_bar), 1);
    EXPECT_EQ(Accessible(window_.Pot1_bar)->text(QAccessible::Value).toStdString(), "4660");
    boards_.Detach(board_);
    window_.Timer.fire();
    EXPECT_EQ(value(window_.LC_bar), 0);
    EXPECT_EQ(value(window_.Pot1_bar), 0);
}

// Over a track, the tool tip names the output, its sample and share of full scale, and follows
// the sample while it shows.
TEST_F(AccessibilityTest, ToolTipSaysTheSampleAndFollowsIt) {
    struct Case {
        const RectControl& track;
        const char* before;
        const char* after;
    };
    PollReport({0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF});
    for (const Case& c :
         {Case{window_.LC_frame, "Load cell: 32768 (50.0 %)", "Load cell: 6553 (10.0 %)"},
          Case{window_.Pot1_frame, "Potentiometer 1: 0 (0.0 %)", "Potentiometer 1: 1 (0.0 %)"},
          Case{window_.Pot2_frame, "Potentiometer 2: 65535 (100.0 %)",
               "Potentiometer 2: 65534 (100.0 %)"}}) {
        SCOPED_TRACE(c.before);
        PollReport({0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF});
        QWidget* frame = window_.Frame2.widget();
        const QPoint spot = c.track.widget()->geometry().center();
        QHelpEvent hover(QEvent::ToolTip, spot, frame->mapToGlobal(spot));
        QCoreApplication::sendEvent(frame, &hover);
        ASSERT_TRUE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text().toStdString(), c.before);
        PollReport({0x00, 0x01, 0x00, 0x99, 0x19, 0xFE, 0xFF});
        EXPECT_EQ(QToolTip::text().toStdString(), c.after);
        QToolTip::hideText();
    }
}

// At most one change event per bar every half second; the newest value is announced when the
// gap has passed, and a value back to the one announced needs no event.
TEST(ValueChangeGate, AnnouncesAtMostTwiceASecond) {
    using namespace std::chrono_literals;
    struct Step {
        std::chrono::milliseconds at;
        int value;
        bool announce;
        std::optional<std::chrono::milliseconds> askAgainIn;
    };
    const ValueChangeGate::Clock::time_point start{};
    ValueChangeGate gate;
    // clang-format off
    for (const Step& step : std::vector<Step>{
             {0ms,   0,   false, std::nullopt},  // a bar starts at 0: nothing changed
             {10ms,  5,   true,  std::nullopt},
             {60ms,  6,   false, 450ms},
             {110ms, 7,   false, 400ms},
             {160ms, 5,   false, std::nullopt},  // back to the value announced
             {210ms, 9,   false, 300ms},
             {510ms, 9,   true,  std::nullopt},  // the gap has passed: the newest value goes out
             {520ms, 9,   false, std::nullopt},
             {1200ms, 0,  true,  std::nullopt},
         }) {
        // clang-format on
        SCOPED_TRACE(step.at.count());
        const auto decision = gate.Offer(step.value, start + step.at);
        EXPECT_EQ(decision.announce, step.announce);
        EXPECT_EQ(decision.askAgainIn, step.askAgainIn);
    }
    // A change held back is announced when asked again after the gap.
    EXPECT_FALSE(gate.Offer(3, start + 1300ms).announce);
    EXPECT_TRUE(gate.Retry(start + 1700ms).announce);
}

} // namespace
} // namespace tensilo::app
