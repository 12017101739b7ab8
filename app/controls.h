// The window's controls as the procedures see them: what the program holds for each (geometry in
// twips, caption, enabled state, list contents, bar width) and the operations the procedures
// perform, each realised at once on a Qt widget. Values are read back from what the program holds,
// not from the widget, so a description of the window shows exactly what the program set.
#pragma once

#include "app/layout_table.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace tensilo::app {

class Control {
public:
    Control(const ControlSpec& spec, Control* parent)
        : spec_(spec), parent_(parent), enabled_(spec.enabledAtStart) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    std::string_view name() const { return spec_.name; }
    ControlKind kind() const { return spec_.kind; }
    const ControlSpec& spec() const { return spec_; }
    Control* parent() const { return parent_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // Whether a user can act on it: it and every frame around it are enabled.
    bool reachable() const;

    // The Qt widget that shows it; none for the timer.
    virtual QWidget* widget() const = 0;

protected:
    void placeWidget(QWidget* widget) const;
    virtual void enabledChanged() {}

private:
    const ControlSpec& spec_;
    Control* parent_;
    bool enabled_;
};

// A captioned frame, a label or a push button.
class CaptionedControl : public Control {
public:
    CaptionedControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QWidget* widget() const override { return widget_; }
    // From now on the caption is also the widget's accessible description: for the labels that
    // show board data, whose accessible name is the caption of the label beside them.
    void setCaptionDescribes(bool describes);

private:
    QString caption_;
    QWidget* widget_ = nullptr;
    bool captionDescribes_ = false;
};

class ListItemsModel;

class ListControl : public Control {
public:
    ListControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget);

    // Removing, appending and replacing items raise no selection event.
    void clear();
    void appendItem(const QString& text);
    void appendItems(const QStringList& texts);
    // Replaces the items by `count` items whose texts `textOf` makes when one is asked for, so a
    // long list of texts that follow a rule costs nothing until an item is shown.
    void setItems(int count, std::function<QString(int)> textOf);
    int count() const;
    // The text of item `index`; empty for an index the list does not hold.
    QString itemText(int index) const;

    // The selected index, 0-based; -1 for none.
    int listIndex() const { return index_; }
    // Setting the index from code raises the selection event synchronously, as a user's choice
    // does, also when the index does not change. An index the list does not hold is ignored.
    void setListIndex(int index);
    // The text of the selected item; empty with none selected.
    QString text() const { return itemText(index_); }

    // A user's pick of item `index`, arriving as the widget delivers one.
    void choose(int index);

    // The handler of the selection event.
    void setOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

    QWidget* widget() const override;

private:
    void syncWidgetIndex();

    int index_ = -1;
    std::function<void()> onClick_;
    QComboBox* combo_ = nullptr;
    ListItemsModel* model_ = nullptr;
};

class TextControl : public Control {
public:
    TextControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget);
    QString text() const { return text_; }
    void setText(const QString& text);
    QWidget* widget() const override;

private:
    QString text_;
    QLineEdit* edit_ = nullptr;
};

class FilledRect;

class RectControl : public Control {
public:
    RectControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget);
    // The width in twips, single precision, as last set.
    float width() const { return width_; }
    virtual void setWidth(float twips);
    QColor fill() const;
    QWidget* widget() const override { return widget_; }

protected:
    // A rectangle shown by a widget of a kind of its own.
    RectControl(const ControlSpec& spec, Control* parent, FilledRect* widget);

private:
    float width_;
    QWidget* widget_ = nullptr;
};

// The polling timer. In real time it drives a QTimer; in manual mode nothing fires it but fire(),
// so that tests and the scenario runner decide when a tick happens.
class TimerControl : public Control {
public:
    enum class Mode { RealTime, Manual };
    TimerControl(const ControlSpec& spec, Control* parent, Mode mode);
    ~TimerControl() override;

    int interval() const { return interval_; }
    void setInterval(int milliseconds);
    void setOnTick(std::function<void()> handler) { onTick_ = std::move(handler); }
    // One tick, as the timer would raise it; nothing while the timer is disabled.
    void fire();
    QWidget* widget() const override { return nullptr; }

private:
    void enabledChanged() override { applyToQTimer(); }
    void applyToQTimer();

    int interval_ = kTimerDesignInterval;
    std::function<void()> onTick_;
    std::unique_ptr<QTimer> timer_;
};

} // namespace tensilo::app
