// One tick of the polling timer: read the waiting input reports of the open board and draw the
// newest as three bars; when the read fails or the user switched boards, close the board and
// search again in the same tick.
#include "app/frm_main.h"

#include "protocol/input_report.h"

#include <algorithm>
#include <vector>

namespace tensilo::app {

void FrmMain::PollInputReport() {
    std::vector<std::uint8_t> inputReportBuffer(protocol::kInputBufferSize, 0);

    if (state_.DeviceDetected == kTrue) {
        std::uint32_t bytesRead = 0;
        const std::int32_t readResult = hid_.ReadFile(
            state_.ReadHandle, std::span(inputReportBuffer).first(protocol::kInputReadLength),
            bytesRead, state_.ReadOverlapped);
        state_.LastResult = readResult;
        const std::size_t n = std::min<std::size_t>(bytesRead, protocol::kInputReadLength);

        if (n > 0) {
            // Only the newest whole report is drawn; nothing outside the bytes read is looked at.
            const auto sample = protocol::NewestInputSample(
                inputReportBuffer, n, state_.Capabilities.InputReportByteLength);
            if (sample) {
                const std::int16_t barSpan = protocol::BarSpan(LC_frame.width());
                Pot1_bar.drawSample(sample->Pot1Value, barSpan);
                if (!YieldToEventLoop())
                    return;
                LC_bar.drawSample(sample->LoadCellValue, barSpan);
                if (!YieldToEventLoop())
                    return;
                Pot2_bar.drawSample(sample->Pot2Value, barSpan);
                if (!YieldToEventLoop())
                    return;
            }
        }

        // The board is lost when this poll's own read failed; a handler run inside a yield may
        // have overwritten LastResult since.
        if (readResult == 0 || state_.DeviceChanged == kTrue)
            CloseBoardForRetry();
        else
            Timer.setInterval(PollInterval);
    }

    if (state_.DeviceDetected != kTrue)
        SearchAndOpenBoard();
}

} // namespace tensilo::app
