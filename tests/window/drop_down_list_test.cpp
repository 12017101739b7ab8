// Drop-down lists raise their selection event exactly once for each assignment by the program and
// each pick by the user, and never for clearing or appending.
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

TEST_F(DropDownListTest, ClearingAndAppendingRaiseNoEvent) {
    ASSERT_EQ(list.name(), "LC_gain");
    list.appendItems({"1", "2", "3"});
    list.appendItem("4");
    list.clear();
    list.appendItems({"1", "2"});
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(list.listIndex(), -1) << "appending to an empty list selects nothing";
    EXPECT_EQ(list.text(), "");
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
    QStringList texts;
    for (int k = 0; k < 2560; ++k)
        texts.append(QString::number(k));
    list.appendItems(texts);
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
    combo->hidePopup();
    EXPECT_TRUE(events.empty());
}

} // namespace
} // namespace tensilo::app
