// While the serial-number list is empty, its box shows why in grey, without holding an item:
// "No board", or "No access" when a board of the product refused the open to this user.
#include "app/frm_main.h"
#include "device/access_hint.h"
#include "device/sim/simulated_boards.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace tensilo::app {
namespace {

using device::sim::SimCall;

struct Shown {
    int items;
    std::string placeholder;
    bool hinted; // the tooltip is the hint every program gives about a board it may not open
};

Shown SerialBox(const FrmMain& window) {
    const auto* box = qobject_cast<const QComboBox*>(window.SerNo.widget());
    const std::string tip = box->toolTip().toStdString();
    return {box->count(), box->placeholderText().toStdString(), tip == device::NoAccessHint()};
}

TEST(SerialPlaceholder, SaysWhyTheListIsEmpty) {
    struct Case {
        const char* what;
        std::uint16_t productId; // of the one board plugged in
        bool refused;            // its open is refused to this user
        Shown expected;
    };
    const Case cases[] = {
        {"another product, refused", 0x1234, true, {0, "No board", false}},
        {"the product, refused", device::sim::SaneBoard("A").productId, true, {0, "No access", true}},
        {"the product, open", device::sim::SaneBoard("A").productId, false, {1, "No board", false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        device::sim::SimulatedBoards boards;
        auto config = device::sim::SaneBoard("A");
        config.productId = c.productId;
        const auto board = boards.DefineBoard(config);
        boards.Attach(board);
        boards.SetFailing(board, SimCall::Open, c.refused);
        FrmMain window(boards, TimerControl::Mode::Manual, [] {});
        window.Form_Load();
        const Shown shown = SerialBox(window);
        EXPECT_EQ(shown.items, c.expected.items);
        EXPECT_EQ(window.SerNo.count(), c.expected.items);
        EXPECT_EQ(shown.placeholder, c.expected.placeholder);
        EXPECT_EQ(shown.hinted, c.expected.hinted);

        // The refusal ends, then the board goes: the box follows each search.
        boards.SetFailing(board, SimCall::Open, false);
        window.Timer.fire();
        EXPECT_EQ(SerialBox(window).hinted, false);
        boards.Detach(board);
        window.Timer.fire();
        EXPECT_EQ(SerialBox(window).items, 0);
        EXPECT_EQ(SerialBox(window).placeholder, "No board");
        window.close();
    }
}

} // namespace
} // namespace tensilo::app
