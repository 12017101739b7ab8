#include "app/bar_control.h"

#include "app/filled_rect.h"
#include "app/value_change_gate.h"
#include "protocol/input_report.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QLocale>
#include <QTimer>
#include <QToolTip>

#include <chrono>

namespace tensilo::app {

namespace {

constexpr int kFullScale = 65535;

} // namespace

QString OutputToolTipText(const QString& outputName, std::uint16_t sample) {
    const double percent = sample * 100.0 / kFullScale;
    return QStringLiteral("%1: %2 (%3 %)")
        .arg(outputName, QString::number(sample), QLocale().toString(percent, 'f', 1));
}

// The bar as drawn, holding its sample for the accessible interface and the tool tip.
class BarWidget final : public FilledRect {
public:
    BarWidget(QColor colour, QWidget* parent, const QWidget& track, const QString& outputName)
        : FilledRect(colour, parent), track_(track), outputName_(outputName) {
        holdBack_.setSingleShot(true);
        QObject::connect(&holdBack_, &QTimer::timeout, this,
                         [this] { Announce(gate_.Retry(ValueChangeGate::Clock::now())); });
        // The bar and its track let the mouse through, so the frame they lie on sees the hover.
        if (parent)
            parent->installEventFilter(this);
    }

    std::uint16_t sample() const { return sample_; }
    QString toolTipText() const { return OutputToolTipText(outputName_, sample_); }

    void setSample(std::uint16_t sample) {
        if (sample == sample_)
            return;
        sample_ = sample;
        Announce(gate_.Offer(sample_, ValueChangeGate::Clock::now()));
        if (shownTip_ == QToolTip::text() && QToolTip::isVisible())
            ShowToolTip(tipPosition_);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            if (track_.geometry().contains(help->pos())) {
                ShowToolTip(help->globalPos());
                return true;
            }
        }
        return FilledRect::eventFilter(watched, event);
    }

private:
    void ShowToolTip(QPoint globalPosition) {
        tipPosition_ = globalPosition;
        shownTip_ = toolTipText();
        // Shown while the pointer stays over the track.
        QToolTip::showText(globalPosition, shownTip_, parentWidget(), track_.geometry());
    }

    void Announce(ValueChangeGate::Decision decision) {
        if (decision.announce) {
            QAccessibleValueChangeEvent change(this, int{sample_});
            QAccessible::updateAccessibility(&change);
        }
        if (decision.askAgainIn && !holdBack_.isActive())
            holdBack_.start(std::chrono::ceil<std::chrono::milliseconds>(*decision.askAgainIn));
    }

    const QWidget& track_;
    QString outputName_;
    std::uint16_t sample_ = 0;
    ValueChangeGate gate_;
    QTimer holdBack_;
    QString shownTip_;
    QPoint tipPosition_;
};

namespace {

// What assistive technology reads of a bar: a progress bar with its sample as value.
class BarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarAccessible(BarWidget* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar), bar_(bar) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return QString::number(bar_->sample());
        return QAccessibleWidget::text(kind);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return int{bar_->sample()}; }
    void setCurrentValue(const QVariant&) override {} // an output: nobody sets it
    QVariant maximumValue() const override { return kFullScale; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    BarWidget* bar_;
};

} // namespace

BarControl::BarControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget,
                       const RectControl& track, const QString& outputName)
    : RectControl(spec, parent,
                  new BarWidget(ToQColor(spec.fill), parentWidget, *track.widget(), outputName)),
      bar_(static_cast<BarWidget*>(widget())) {
    // Registered before anyone asks, so that Qt hands out this interface rather than a plain one.
    QAccessible::registerAccessibleInterface(new BarAccessible(bar_));
}

void BarControl::drawSample(std::uint16_t sample, std::int16_t barSpan) {
    RectControl::setWidth(protocol::BarWidth(sample, barSpan));
    bar_->setSample(sample);
}

void BarControl::setWidth(float twips) {
    RectControl::setWidth(twips);
    bar_->setSample(0);
}

std::uint16_t BarControl::sample() const {
    return bar_->sample();
}

QString BarControl::toolTipText() const {
    return bar_->toolTipText();
}

} // namespace tensilo::app
