#include "tools/demo/boards_window.h"

#include "app/accessible_window.h"
#include "device/sim/simulated_boards.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include <cmath>

namespace tensilo::demo {

BoardsWindow::BoardsWindow(device::sim::SimulatedBoards& boards, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Simulated boards"));
    app::RegisterAccessibleWindow(*this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("<b>Serial number</b>")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("<b>Plugged in</b>")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>Load on the cell</b>")), 0, 2, 1, 2);

    for (device::sim::BoardId id = 0; id < boards.BoardCount(); ++id) {
        const int row = static_cast<int>(id) + 1;
        const QString serial = QString::fromStdString(boards.Config(id).name);
        grid->addWidget(new QLabel(serial), row, 0);

        // Named per board: a screen reader reads the control, not the grid's column headings.
        auto* plugged = new QCheckBox;
        plugged->setChecked(boards.IsAttached(id));
        plugged->setAccessibleName(QStringLiteral("%1 plugged in").arg(serial));
        connect(plugged, &QCheckBox::toggled, this, [&boards, id](bool on) {
            if (on)
                boards.Attach(id);
            else
                boards.Detach(id);
        });
        grid->addWidget(plugged, row, 1, Qt::AlignCenter);

        auto* load = new QSlider(Qt::Horizontal);
        load->setRange(0, 100);
        load->setValue(static_cast<int>(std::lround(boards.Load(id) * 100)));
        load->setMinimumWidth(160);
        load->setAccessibleName(QStringLiteral("Load on %1's cell").arg(serial));
        load->setAccessibleDescription(QStringLiteral("Percent of the cell's full load"));
        auto* percent = new QLabel;
        percent->setMinimumWidth(percent->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
        percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const auto showLoad = [&boards, id, percent](int value) {
            boards.SetLoad(id, value / 100.0);
            percent->setText(QStringLiteral("%1 %").arg(value));
        };
        connect(load, &QSlider::valueChanged, this, showLoad);
        showLoad(load->value());
        grid->addWidget(load, row, 2);
        grid->addWidget(percent, row, 3);
    }
}

} // namespace tensilo::demo
