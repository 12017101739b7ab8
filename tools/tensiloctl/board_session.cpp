#include "tools/tensiloctl/board_session.h"

#include "protocol/input_report.h"

#include <array>

namespace tensilo::ctl {

BoardSession::BoardSession(device::HidApi& hid, const BoardTarget& target)
    : hid_(hid), serial_(target.serial) {
    open_ = device::OpenBoard(hid_, state_, target.serial, target.skip);
}

BoardSession::~BoardSession() {
    if (open_)
        device::CloseBoard(hid_, state_, device::ReadEventOnClose::Close);
}

device::BoardDetails BoardSession::ReadDetails() {
    return device::ReadBoardDetails(hid_, state_, state_.ReadHandle);
}

std::optional<std::vector<std::uint8_t>> BoardSession::ReadSettings() {
    return device::ReadSettingsReport(hid_, state_);
}

std::optional<std::vector<std::uint8_t>> BoardSession::ReadFeatureReport() {
    return device::ReadFeatureReport(hid_, state_);
}

device::GainWrite BoardSession::WriteGain(protocol::Channel channel, int item) {
    return device::WriteGain(hid_, state_, channel, item);
}

bool BoardSession::ReadInput(std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                             std::uint32_t timeoutMilliseconds) {
    return hid_.ReadFileWithTimeout(state_.ReadHandle, buffer, bytesRead, state_.ReadOverlapped,
                                    timeoutMilliseconds) != 0;
}

void BoardSession::DropWaitingReports() {
    std::array<std::uint8_t, protocol::kInputBufferSize> buffer{};
    const auto request = std::span(buffer).first(protocol::kInputReadLength);
    std::uint32_t bytesRead = 0;
    // A board that reports faster than it is read could keep this going: a bound stops it.
    for (int reads = 0; reads < 100; ++reads)
        if (!ReadInput(request, bytesRead, 0) || bytesRead == 0)
            return;
}

device::InputRead BoardSession::InputRequest(std::span<std::uint8_t> buffer) {
    device::InputRead request;
    request.device = state_.ReadHandle;
    request.buffer = buffer;
    request.overlapped = &state_.ReadOverlapped;
    return request;
}

} // namespace tensilo::ctl
