#include "tools/tensiloctl/board_session.h"

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

} // namespace tensilo::ctl

namespace tensilo::ctl {

device::InputRead BoardSession::InputRequest(std::span<std::uint8_t> buffer) {
    device::InputRead request;
    request.device = state_.ReadHandle;
    request.buffer = buffer;
    request.overlapped = &state_.ReadOverlapped;
    return request;
}

} // namespace tensilo::ctl
