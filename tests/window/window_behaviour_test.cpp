// Behaviours of the window that no scenario file can show: its first paint before the first
// search, the gain writes going on past a refused one, and the gain lists written in the user's
// locale. The controls as they are created are checked with the layout, in window_layout_test.cpp.
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
// One refused write of a pick: the other two still go out, and the list then shows the gain the
// board holds, read back from it (picked item 1024 is code 0x0C, shift 0, fine 0; the board held
// 0x0F, 1, 0xF4).
TEST(GainWrites, ARefusedWriteDoesNotStopTheOthers) {
    struct Case {
        int refused;    // which of the three writes the board refuses
        int itemShown;  // what LC_gain shows afterwards
    };
    for (const Case& c : {Case{0, 1792}, Case{1, 1024}, Case{2, 1268}}) {
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
        EXPECT_EQ(window.LC_gain.listIndex(), c.itemShown);
        EXPECT_EQ(window.state().SettingsLoaded, kTrue);
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
