// Drop-down lists raise their selection event exactly once for each assignment by the program and
// each pick by the user, and never for clearing, appending or replacing items; their widgets show
// the items they hold, made or given.
#include "app/controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListView>
#include <QWidget>

#include <gtest/gtest.h>

namespace tensilo::app {
namespace {

class DropDownListTest : public ::testing::Test {
protected:
    DropDownListTest() { list.setOnClick([this] { events.push_back(list.listIndex()); }); }

    QWidget parent;
    ListControl list{kLayout[12], nullptr, &parent};
    std::vector<int> events;
};

TEST_F(DropDownListTest, ChangingTheItemsRaisesNoEventAndTheWidgetShowsThem) {
    ASSERT_EQ(list.name(), "LC_gain");
    list.appendItems({"1", "2", "3"});
    list.appendItem("4");
    list.clear();
    list.appendItems({"1", "2"});
    EXPECT_EQ(list.listIndex(), -1) << "appending to an empty list selects nothing";
    EXPECT_EQ(list.text(), "");
    list.setListIndex(1);
    list.setItems(3, [](int k) { return QString::number(k * 10); });
    EXPECT_EQ(list.listIndex(), -1) << "replaced items drop the selection";
    list.appendItem("x");
    EXPECT_EQ(events, std::vector<int>{1});

    auto* combo = qobject_cast<QComboBox*>(list.widget());
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(list.count(), 4);
    ASSERT_EQ(combo->count(), 4);
    for (int k = -1; k <= 4; ++k)
        EXPECT_EQ(combo->itemText(k), list.itemText(k)) << k;
    EXPECT_EQ(list.itemText(2), "20");
    EXPECT_EQ(list.itemText(3), "x");
    EXPECT_EQ(list.itemText(4), "");
    list.clear();
    EXPECT_EQ(combo->count(), 0);
}

TEST_F(DropDownListTest, AssignmentsAndPicksRaiseOneEventEach) {
    list.appendItems({"1", "2", "3"});
    list.setListIndex(2);
    list.setListIndex(2); // the same item again still runs the handler
    list.choose(0);
    list.choose(0);
    EXPECT_EQ(events, (std::vector<int>{2, 2, 0, 0}));
    EXPECT_EQ(list.text(), "1");
    list.setListIndex(7); // not held: ignored
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(list.listIndex(), 0);
}

TEST_F(DropDownListTest, TheHandlerSeesTheNewSelectionWhileItRuns) {
    list.appendItems({"a", "b"});
    std::vector<std::string> seen;
    list.setOnClick([&] { seen.push_back(list.text().toStdString()); });
    list.setListIndex(1);
    list.choose(0);
    EXPECT_EQ(seen, (std::vector<std::string>{"b", "a"}));
}

TEST_F(DropDownListTest, ThePopupIsMadeWhenFirstOpenedAndListsEveryItemInRowsOfOneHeight) {
    list.setItems(2560, [](int k) { return QString::number(k); });
    parent.show();
    auto* combo = qobject_cast<QComboBox*>(list.widget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->findChild<QAbstractItemView*>(), nullptr) << "a list nobody opened has no popup";
    EXPECT_EQ(combo->sizeHint(), combo->size()) << "the box keeps its size, whatever it holds";
    combo->showPopup();
    const auto* rows = qobject_cast<QListView*>(combo->view());
    ASSERT_NE(rows, nullptr);
    EXPECT_TRUE(rows->isVisible());
    EXPECT_TRUE(rows->uniformItemSizes()) << "2560 items would each be measured to place the rows";
    EXPECT_EQ(rows->model()->rowCount(), 2560);
    EXPECT_EQ(rows->model()->index(2559, 0).data().toString(), "2559");
    combo->hidePopup();
    EXPECT_TRUE(events.empty());
}

} // namespace
} // namespace tensilo::app
