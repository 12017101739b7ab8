// The window over the hidraw backend when the board's node may not be opened: the serial-number
// list stays empty and says why in grey, "No access" with a hint, instead of "No board". The
// node is a FUSE file that refuses the open with EACCES, so the test means the same as root.
#include "app/frm_main.h"
#include "device/access_hint.h"
#include "device/board_identity.h"
#include "device/hidraw/hidraw_hid_api.h"
#include "fake_hidraw_fs.h"
#include "fake_sysfs.h"
#include "sample_descriptors.h"

#include <QComboBox>

#include <gtest/gtest.h>

namespace tensilo::device {
namespace {

using test::FakeNode;

struct Placeholder {
    std::string text;
    std::string toolTip;
};

// What the empty serial-number box shows in place of an item.
Placeholder SerialPlaceholder(const app::FrmMain& window) {
    const auto* box = qobject_cast<const QComboBox*>(window.SerNo.widget());
    return {box->placeholderText().toStdString(), box->toolTip().toStdString()};
}

TEST(NoAccessWindow, TheEmptySerialListSaysWhetherABoardIsThereButRefused) {
    test::FakeSysfs tree;
    tree.Add({0, test::kBusUsb, BoardVendorId, BoardProductId,
              {BoardReportDescriptor.begin(), BoardReportDescriptor.end()}, "TS-0001", "TS-0001",
              "Tensilo", "Tensilo board", "0103"}, false);
    tree.Add({1, test::kBusUsb, 0x0483, 0x5750, test::kNumberedVendor, "N-1", "N-1", {}, {}, "0200"},
             false);
    std::string whyNot;
    auto fake = test::FakeHidrawFs::Mount(tree.Root() / "fuse", whyNot);
    ASSERT_TRUE(fake) << "This test needs FUSE (libfuse3 and /dev/fuse) for its fake hidraw nodes: "
                      << whyNot;
    fake->With(0, [](FakeNode& n) { n.VendorId = BoardVendorId; n.ProductId = BoardProductId; n.RefuseOpen = true; });
    fake->With(1, [](FakeNode& n) { n.VendorId = 0x0483; n.ProductId = 0x5750; n.RefuseOpen = true; });
    {
        HidrawHidApi hid(tree.Sys(), tree.Root() / "fuse");
        app::FrmMain window(hid, app::TimerControl::Mode::Manual, [] {});
        window.Form_Load();
        EXPECT_EQ(window.SerNo.count(), 0);
        EXPECT_EQ(window.state().DeviceDetected, kFalse);
        Placeholder shown = SerialPlaceholder(window);
        EXPECT_EQ(shown.text, "No access");
        EXPECT_EQ(shown.toolTip, NoAccessHint());

        // Once the user may open it, the board is found at the next search and listed.
        fake->With(0, [](FakeNode& n) { n.RefuseOpen = false; });
        window.Timer.fire();
        EXPECT_EQ(window.SerNo.count(), 1);
        EXPECT_EQ(window.state().DeviceDetected, kTrue);

        // Unplugged, with only another product's refused node left: no board at all.
        fake->With(0, [](FakeNode& n) { n.Unplugged = true; });
        tree.Remove(0);
        window.Timer.fire();
        window.Timer.fire();
        EXPECT_EQ(window.SerNo.count(), 0);
        shown = SerialPlaceholder(window);
        EXPECT_EQ(shown.text, "No board");
        EXPECT_EQ(shown.toolTip, "");
        window.close();
    }
}

} // namespace
} // namespace tensilo::device
