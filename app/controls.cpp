#include "app/controls.h"

#include "app/drop_down_accessible.h"
#include "app/filled_rect.h"
#include "app/qt_text.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace tensilo::app {

namespace {

// A drop-down box of the fixed size the layout gives it. Its popup is made when it is first
// opened, so a list nobody opens costs none, and the box never measures its items for a size hint.
// A text wider than the closed box (a gain such as 1.01171875 in a box of 80 pixels) is shown cut
// at the end with an ellipsis, never clipped into a different-looking number; its tool tip and
// the popup show it whole.
class DropDownBox final : public QComboBox {
public:
    using QComboBox::QComboBox;

    QSize sizeHint() const override { return size(); }
    QSize minimumSizeHint() const override { return size(); }

    void showPopup() override {
        // view() makes the popup on the first call. Rows of one height spare measuring every item
        // to place the popup's rows.
        QAbstractItemView* rows = view();
        if (auto* list = qobject_cast<QListView*>(rows))
            list->setUniformItemSizes(true);
        // A style whose popup is a menu widens it to the widest item itself; one whose popup is a
        // list makes it as wide as the box and cuts the items. Measuring every item is left to
        // the opening of the popup, which is when they are shown.
        QStyleOptionComboBox option;
        initStyleOption(&option);
        if (!style()->styleHint(QStyle::SH_ComboBox_Popup, &option, this)) {
            const int scrollBar =
                count() > maxVisibleItems()
                    ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, rows)
                    : 0;
            rows->setMinimumWidth(rows->sizeHintForColumn(0) + 2 * rows->frameWidth() + scrollBar);
        }
        QComboBox::showPopup();
    }

protected:
    // Every use of the option (painting, above all) sees the current text as the box shows it.
    void initStyleOption(QStyleOptionComboBox* option) const override {
        QComboBox::initStyleOption(option);
        if (option->editable || option->currentText.isEmpty())
            return;
        // The label is drawn inside the edit field less a pixel at either side (QCommonStyle, and
        // Fusion and the Windows styles after it). The items carry no icons.
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, option,
                                                    QStyle::SC_ComboBoxEditField, this);
        const qreal room = field.width() - 2;
        option->currentText =
            QFontMetricsF(font(), this).elidedText(option->currentText, Qt::ElideRight, room);
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            QStyleOptionComboBox option;
            initStyleOption(&option);
            if (option.currentText != currentText()) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), currentText(),
                                   this);
                return true;
            }
        }
        return QComboBox::event(event);
    }
};

} // namespace

// The items of a list, as its combo box shows them: a run of items whose texts a function makes
// when one is asked for, then texts given one by one.
class ListItemsModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int count() const { return madeCount_ + static_cast<int>(appended_.size()); }
    QString text(int row) const {
        if (row < 0 || row >= count())
            return {};
        return row < madeCount_ ? makeText_(row) : appended_[row - madeCount_];
    }

    void append(const QStringList& texts) {
        change([&] { appended_.append(texts); });
    }
    void setMade(int made, std::function<QString(int)> textOf) {
        change([&] {
            madeCount_ = textOf ? std::max(0, made) : 0;
            makeText_ = std::move(textOf);
            appended_.clear();
        });
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : count();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return text(index.row());
    }

private:
    // Changes the items as `apply` does, with the views told before and after.
    template <class Apply> void change(Apply apply) {
        beginResetModel();
        apply();
        endResetModel();
    }

    int madeCount_ = 0;
    std::function<QString(int)> makeText_;
    QStringList appended_;
};

// --- Control ----------------------------------------------------------------------------------

void Control::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (QWidget* w = widget())
        w->setEnabled(enabled);
    enabledChanged();
}

bool Control::reachable() const {
    for (const Control* control = this; control; control = control->parent())
        if (!control->enabled())
            return false;
    return true;
}

void Control::placeWidget(QWidget* widget) const {
    widget->setGeometry(TwipsToPixels(spec_.left), TwipsToPixels(spec_.top),
                        TwipsToPixels(spec_.width), TwipsToPixels(spec_.height));
    widget->setObjectName(ToQString(spec_.name));
    widget->setEnabled(spec_.enabledAtStart);
}

// --- frames, labels, buttons ------------------------------------------------------------------

CaptionedControl::CaptionedControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget)
    : Control(spec, parent), caption_(ToQString(spec.caption)) {
    switch (spec.kind) {
    case ControlKind::Frame:
        widget_ = new QGroupBox(caption_, parentWidget);
        break;
    case ControlKind::PushButton: {
        auto* button = new QPushButton(caption_, parentWidget);
        button->setAutoDefault(false);
        widget_ = button;
        break;
    }
    default: {
        auto* label = new QLabel(caption_, parentWidget);
        // Board strings are shown as they are, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (spec.systemColours) {
            QPalette palette = label->palette();
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                palette.setColor(group, QPalette::Window, palette.color(group, QPalette::Base));
                palette.setColor(group, QPalette::WindowText, palette.color(group, QPalette::Text));
            }
            label->setPalette(palette);
            label->setAutoFillBackground(true);
        }
        widget_ = label;
        break;
    }
    }
    placeWidget(widget_);
}

void CaptionedControl::setCaptionDescribes(bool describes) {
    captionDescribes_ = describes;
    widget_->setAccessibleDescription(describes ? caption_.trimmed() : QString());
}

void CaptionedControl::setCaption(const QString& caption) {
    caption_ = caption;
    if (captionDescribes_)
        widget_->setAccessibleDescription(caption.trimmed());
    if (auto* frame = qobject_cast<QGroupBox*>(widget_))
        frame->setTitle(caption);
    else if (auto* button = qobject_cast<QPushButton*>(widget_))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(widget_))
        label->setText(caption);
}

// --- drop-down lists --------------------------------------------------------------------------

ListControl::ListControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget)
    : Control(spec, parent), combo_(new DropDownBox(parentWidget)) {
    model_ = new ListItemsModel(combo_);
    combo_->setModel(model_);
    combo_->setEditable(false);
    combo_->setMaxVisibleItems(12);
    placeWidget(combo_);
    RegisterAccessibleDropDown(*combo_);
    // A user's choice arrives as `activated`; the program's assignments are routed to the
    // handler by setListIndex, so each raises the event exactly once.
    QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) {
        index_ = index;
        if (onClick_)
            onClick_();
    });
}

QWidget* ListControl::widget() const {
    return combo_;
}

void ListControl::syncWidgetIndex() {
    const QSignalBlocker blocker(combo_);
    combo_->setCurrentIndex(index_);
}

void ListControl::clear() {
    setItems(0, nullptr);
}

void ListControl::appendItem(const QString& text) {
    appendItems(QStringList{text});
}

void ListControl::appendItems(const QStringList& texts) {
    model_->append(texts);
    syncWidgetIndex();
}

void ListControl::setItems(int count, std::function<QString(int)> textOf) {
    model_->setMade(count, std::move(textOf));
    index_ = -1;
    syncWidgetIndex();
}

int ListControl::count() const {
    return model_->count();
}

QString ListControl::itemText(int index) const {
    return model_->text(index);
}

void ListControl::setListIndex(int index) {
    if (index < -1 || index >= count())
        return;
    index_ = index;
    syncWidgetIndex();
    if (onClick_)
        onClick_();
}

void ListControl::choose(int index) {
    combo_->setCurrentIndex(index);
    emit combo_->activated(index);
}

// --- text box ---------------------------------------------------------------------------------

TextControl::TextControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget)
    : Control(spec, parent), edit_(new QLineEdit(parentWidget)) {
    placeWidget(edit_);
    QObject::connect(edit_, &QLineEdit::textEdited, edit_,
                     [this](const QString& text) { text_ = text; });
}

QWidget* TextControl::widget() const {
    return edit_;
}

void TextControl::setText(const QString& text) {
    text_ = text;
    edit_->setText(text);
}

// --- rectangles -------------------------------------------------------------------------------

RectControl::RectControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget)
    : RectControl(spec, parent, new FilledRect(ToQColor(spec.fill), parentWidget)) {}

RectControl::RectControl(const ControlSpec& spec, Control* parent, FilledRect* widget)
    : Control(spec, parent), width_(static_cast<float>(spec.width)), widget_(widget) {
    placeWidget(widget_);
}

void RectControl::setWidth(float twips) {
    width_ = twips;
    widget_->resize(std::max(0, TwipsToPixels(twips)), widget_->height());
}

QColor RectControl::fill() const {
    return ToQColor(spec().fill);
}

// --- timer ------------------------------------------------------------------------------------

TimerControl::TimerControl(const ControlSpec& spec, Control* parent, Mode mode)
    : Control(spec, parent) {
    if (mode == Mode::RealTime) {
        timer_ = std::make_unique<QTimer>();
        timer_->setTimerType(Qt::CoarseTimer);
        QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { fire(); });
    }
    applyToQTimer();
}

TimerControl::~TimerControl() = default;

void TimerControl::setInterval(int milliseconds) {
    interval_ = milliseconds;
    applyToQTimer();
}

void TimerControl::applyToQTimer() {
    if (!timer_)
        return;
    timer_->setInterval(interval_);
    if (enabled() && !timer_->isActive())
        timer_->start();
    else if (!enabled())
        timer_->stop();
}

void TimerControl::fire() {
    if (enabled() && onTick_)
        onTick_();
}

} // namespace tensilo::app
