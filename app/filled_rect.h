// A solid filled rectangle without outline or events: the tracks and bars of the scaled outputs.
#pragma once

#include "app/layout_table.h"

#include <QColor>
#include <QPainter>
#include <QWidget>

namespace tensilo::app {

inline QColor ToQColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

class FilledRect : public QWidget {
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

} // namespace tensilo::app
