// The bar of one scaled output (LC_bar, Pot1_bar, Pot2_bar): a rectangle whose width shows the
// newest sample of its output, and which also holds that sample as a number, for those who cannot
// read a bar's length:
// - assistive technology sees it as a progress bar named after its output ("Load cell") whose
//   value runs from 0 to 65535 and is the sample drawn (0 while it draws none), and is told of a
//   change at most twice a second (see ValueChangeGate);
// - a tool tip over its track says the sample and its share of full scale,
//   "Load cell: 32768 (50.0 %)", and follows the sample while it shows.
#pragma once

#include "app/controls.h"

#include <cstdint>

namespace tensilo::app {

class BarWidget;

class BarControl final : public RectControl {
public:
    // `track` is the white rectangle the bar lies on; `outputName` names the output.
    BarControl(const ControlSpec& spec, Control* parent, QWidget* parentWidget,
               const RectControl& track, const QString& outputName);

    // Draws `sample` (0 to 65535) as a bar of its width for a full-scale bar of `barSpan` twips.
    void drawSample(std::uint16_t sample, std::int16_t barSpan);
    // A width given by hand draws no sample: the value becomes 0.
    void setWidth(float twips) override;
    // The sample drawn; 0 while none is.
    std::uint16_t sample() const;
    // The tool tip's text for the sample drawn.
    QString toolTipText() const;

private:
    BarWidget* bar_;
};

// "Load cell: 32768 (50.0 %)": the sample and its share of full scale, with the locale's decimal
// separator.
QString OutputToolTipText(const QString& outputName, std::uint16_t sample);

} // namespace tensilo::app
