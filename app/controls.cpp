#include "app/controls.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace tensilo::app {

namespace {

// A solid filled rectangle without outline or events.
class FilledRect final : public QWidget {
public:
    FilledRect(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), colour_);
    }

private:
    QColor colour_;
};

// A drop-down box of the fixed size the layout gives it. Its popup is made when it is first
// opened, so a list nobody opens costs none, and the box never measures its items for a size hint.
class DropDownBox final : public QComboBox {
public:
    using QComboBox::QComboBox;

    QSize sizeHint() const override { return size(); }
    QSize minimumSizeHint() const override { return size(); }

    void showPopup() override {
        // view() makes the popup on the first call. Rows of one height spare measuring every item
        // to place the popup's rows.
        if (auto* rows = qobject_cast<QListView*>(view()))
            rows->setUniformItemSizes(true);
        QComboBox::showPopup();
    }
};

} // namespace

// What a list's combo box shows: the items as the list holds them, each text asked for when the
// box or its popup shows that item.
class ListItemsModel final : public QAbstractListModel {
public:
    ListItemsModel(const ListControl& list, QObject* parent) : QAbstractListModel(parent), list_(list) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : list_.count();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return list_.itemText(index.row());
    }

    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }

private:
    const ListControl& list_;
};

namespace {

QColor ToQColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

} // namespace

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
    widget->setObjectName(QString::fromUtf8(spec_.name.data(), static_cast<qsizetype>(spec_.name.size())));
    widget->setEnabled(spec_.enabledAtStart);
}

// --- frames, labels, buttons ------------------------------------------------------------------

CaptionedControl::CaptionedControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget)
    : Control(spec, parent),
      caption_(QString::fromUtf8(spec.caption.data(), static_cast<qsizetype>(spec.caption.size()))) {
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

void CaptionedControl::setCaption(const QString& caption) {
    caption_ = caption;
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
    model_ = new ListItemsModel(*this, combo_);
    combo_->setModel(model_);
    combo_->setEditable(false);
    combo_->setMaxVisibleItems(12);
    placeWidget(combo_);
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

template <class Change> void ListControl::changeItems(Change change) {
    model_->beginChange();
    change();
    model_->endChange();
    syncWidgetIndex();
}

void ListControl::clear() {
    changeItems([this] {
        madeCount_ = 0;
        makeText_ = nullptr;
        appended_.clear();
        index_ = -1;
    });
}

void ListControl::appendItem(const QString& text) {
    changeItems([&] { appended_.append(text); });
}

void ListControl::appendItems(const QStringList& texts) {
    changeItems([&] { appended_.append(texts); });
}

void ListControl::setItems(int count, std::function<QString(int)> textOf) {
    changeItems([&] {
        madeCount_ = textOf ? std::max(0, count) : 0;
        makeText_ = std::move(textOf);
        appended_.clear();
        index_ = -1;
    });
}

QString ListControl::itemText(int index) const {
    if (index < 0 || index >= count())
        return {};
    return index < madeCount_ ? makeText_(index) : appended_[index - madeCount_];
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
    QObject::connect(edit_, &QLineEdit::textEdited, edit_, [this](const QString& text) { text_ = text; });
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
    : Control(spec, parent), width_(static_cast<float>(spec.width)),
      widget_(new FilledRect(ToQColor(spec.fill), parentWidget)) {
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

TimerControl::TimerControl(const ControlSpec& spec, Control* parent, Mode mode) : Control(spec, parent) {
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
