#include "app/drop_down_accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

#include <algorithm>

namespace tensilo::app {

namespace {

class DropDownAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit DropDownAccessible(QComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox), box_(box) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return Shown();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = PopupShown();
        state.editable = false;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The popup with the items, as Qt's own combo box interface shows it.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(box_->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == box_->view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            box_->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    // The text interface: the item shown, read-only, without cursor or selection.
    QString text(int start, int end) const override { return Shown().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Shown().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    // Asked without making the popup, which the box makes when it is first opened.
    bool PopupShown() const {
        const auto children = box_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return std::any_of(children.begin(), children.end(), [](const QWidget* child) {
            return child->isWindow() && child->isVisible();
        });
    }
    QString Shown() const {
        return box_->currentIndex() < 0 ? box_->placeholderText() : box_->currentText();
    }

    QComboBox* box_;
};

} // namespace

void RegisterAccessibleDropDown(QComboBox& box) {
    // Registered before anyone asks, so that Qt hands out this interface rather than its own.
    QAccessible::registerAccessibleInterface(new DropDownAccessible(&box));
}

} // namespace tensilo::app
