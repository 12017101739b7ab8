#include "tools/demo/self_check.h"

#include "app/frm_main.h"
#include "device/sim/simulated_boards.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <iostream>

namespace tensilo::demo {

namespace {

constexpr int kStepMs = 10;

struct BarTrace {
    const char* name;
    const app::RectControl& bar;
    float low = 0, high = 0;
    bool seen = false;

    void Record() {
        const float width = bar.width();
        low = seen ? std::min(low, width) : width;
        high = seen ? std::max(high, width) : width;
        seen = true;
    }
    bool Moved() const { return seen && high > low; }
};

// The serial-number list's items, as its drop-down list shows them.
QStringList ListedSerials(const app::FrmMain& window) {
    QStringList items;
    if (const auto* combo = qobject_cast<const QComboBox*>(window.SerNo.widget()))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items;
}

bool Save(QWidget& widget, const QString& file) {
    if (file.isEmpty())
        return true;
    if (widget.grab().save(file, "PNG"))
        return true;
    std::cerr << "tensilo-demo: cannot write " << file.toStdString() << "\n";
    return false;
}

// Both windows wholly on the screen, so that a user sees the boards window beside the tool. On
// Wayland the compositor places the windows and does not say where: nothing to judge there.
bool ReportPlacement(const QWidget& window, const QWidget& boardsWindow) {
    if (QGuiApplication::platformName().startsWith("wayland")) {
        std::cout << "windows placed by the compositor\n";
        return true;
    }
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        return true;
    const QRect area = screen->availableGeometry();
    const bool onScreen =
        area.contains(window.frameGeometry()) && area.contains(boardsWindow.frameGeometry());
    std::cout << "windows " << (onScreen ? "on" : "partly off") << " the screen (" << area.width()
              << "x" << area.height() << ")\n";
    return onScreen;
}

// Shows the load cell bar's tool tip as a pointer resting on its track would have it shown, and
// saves the screen around the outputs' frame and the tip.
bool SaveToolTip(const app::FrmMain& window, const QString& file) {
    if (file.isEmpty())
        return true;
    QWidget* frame = window.Frame2.widget();
    const QPoint spot = window.LC_frame.widget()->geometry().center();
    QHelpEvent hover(QEvent::ToolTip, spot, frame->mapToGlobal(spot));
    QCoreApplication::sendEvent(frame, &hover);
    QCoreApplication::processEvents();
    QRect area(frame->mapToGlobal(QPoint(0, 0)), frame->size());
    for (const QWidget* shown : QApplication::topLevelWidgets())
        if (shown->isVisible() && shown->windowType() == Qt::ToolTip)
            area |= shown->geometry();
    const QPixmap picture =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (QToolTip::isVisible() && picture.save(file, "PNG"))
        return true;
    std::cerr << "tensilo-demo: cannot write " << file.toStdString() << "\n";
    return false;
}

} // namespace

DemoOptions ParseOptions(const QStringList& arguments) {
    DemoOptions options;
    for (qsizetype i = 0; i < arguments.size() && options.error.isEmpty(); i += 2) {
        const QString& name = arguments[i];
        QString* text = name == "--grab-window"    ? &options.grabWindow
                        : name == "--grab-boards"  ? &options.grabBoards
                        : name == "--grab-tooltip" ? &options.grabTooltip
                                                   : nullptr;
        if (!text && name != "--self-check-ms") {
            options.error = "unknown option " + name;
        } else if (i + 1 >= arguments.size()) {
            options.error = name + " needs a value";
        } else if (text) {
            *text = arguments[i + 1];
        } else {
            bool number = false;
            options.selfCheckMs = arguments[i + 1].toInt(&number);
            if (!number || options.selfCheckMs <= 0)
                options.error = "--self-check-ms needs a positive number of milliseconds";
        }
    }
    if (options.error.isEmpty() && options.selfCheckMs == 0 &&
        !(options.grabWindow.isEmpty() && options.grabBoards.isEmpty() &&
          options.grabTooltip.isEmpty()))
        options.error = "pictures are taken after a run: add --self-check-ms";
    return options;
}

int RunSelfCheck(const DemoOptions& options, app::FrmMain& window, QWidget& boardsWindow,
                 device::sim::SimulatedBoards& boards) {
    std::array<BarTrace, 3> bars{
        {{"LC_bar", window.LC_bar}, {"Pot1_bar", window.Pot1_bar}, {"Pot2_bar", window.Pot2_bar}}};
    int ticks = 0;
    int sinceTick = 0;
    for (int elapsed = 0; elapsed < options.selfCheckMs; elapsed += kStepMs) {
        boards.AdvanceClock(kStepMs);
        QCoreApplication::processEvents();
        sinceTick += kStepMs;
        if (sinceTick >= window.Timer.interval() && window.Timer.enabled()) {
            sinceTick = 0;
            window.Timer.fire();
            ++ticks;
            for (BarTrace& trace : bars)
                trace.Record();
        }
    }
    QCoreApplication::processEvents();

    bool ok = true;
    const QStringList listed = ListedSerials(window);
    std::cout << "serial numbers: " << listed.join(' ').toStdString() << " (showing "
              << window.SerNo.text().toStdString() << ")\n";
    for (device::sim::BoardId id = 0; id < boards.BoardCount(); ++id) {
        const QString serial = QString::fromStdString(boards.Config(id).name);
        if (boards.IsAttached(id) && !listed.contains(serial)) {
            std::cout << "not listed: " << serial.toStdString() << "\n";
            ok = false;
        }
    }
    std::cout << "simulated " << options.selfCheckMs << " ms, " << ticks << " polls\n";
    for (const BarTrace& trace : bars) {
        std::cout << trace.name << " width " << trace.low << " to " << trace.high << " twips"
                  << (trace.Moved() ? "" : ": did not move") << "\n";
        ok = ok && trace.Moved();
    }
    ok = ReportPlacement(window, boardsWindow) && ok;
    ok = Save(window, options.grabWindow) && ok;
    ok = Save(boardsWindow, options.grabBoards) && ok;
    ok = SaveToolTip(window, options.grabTooltip) && ok;
    std::cout << (ok ? "self-check passed" : "self-check FAILED") << std::endl;
    window.close();
    return ok ? 0 : 1;
}

} // namespace tensilo::demo
