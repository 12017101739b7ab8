// One board held open for a command: found by the walk the window uses and opened by serial
// number on its two handles as the window opens one (device/board_access.h), read and written
// through the shared board layer, and closed, with the read event opened for it, once when the
// session ends. The walk's record stays inside: the commands see only the board.
#pragma once

#include "device/board_access.h"
#include "device/board_write_lock.h"
#include "device/hid_api.h"
#include "device/window_state.h"
#include "protocol/gain_items.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tensilo::ctl {

// One board: its serial number, and how many boards of that serial number come before it.
struct BoardTarget {
    std::string serial;
    int skip = 0;
};

class BoardSession {
public:
    BoardSession(device::HidApi& hid, const BoardTarget& target);
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    bool IsOpen() const { return open_; }
    const std::string& Serial() const { return serial_; }
    const std::string& Path() const { return state_.DevicePath; }
    const device::HidCaps& Capabilities() const { return state_.Capabilities; }
    const device::Attributes& Attributes() const { return state_.DeviceAttributes; }
    device::HidApi& Hid() const { return hid_; }

    // The board's strings and version, read on the read handle as the window reads them.
    device::BoardDetails ReadDetails();
    // Its settings report, when it sends one that is accepted.
    std::optional<std::vector<std::uint8_t>> ReadSettings();
    // The feature report the settings are read from, FeatureReportByteLength bytes as the board
    // sent them (at least the settings report's length), accepted or not; none when the
    // transfer fails.
    std::optional<std::vector<std::uint8_t>> ReadFeatureReport();
    // One gain's three register writes.
    device::GainWrite WriteGain(protocol::Channel channel, int item);
    // Input reports: ReadFileWithTimeout on the read handle.
    bool ReadInput(std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                   std::uint32_t timeoutMilliseconds);
    // Reads and drops the input reports waiting since the board was opened, so that what is read
    // next arrives from now on.
    void DropWaitingReports();
    // The board's part in a wait over several boards' input reports (ReadFilesWithTimeout), read
    // into `buffer`.
    device::InputRead InputRequest(std::span<std::uint8_t> buffer);
    // The board's write lock (device/board_write_lock.h), waited for at most its bound and held
    // until the guard goes.
    device::BoardWriteLock LockWrites() {
        return device::BoardWriteLock(hid_, state_.DeviceHandle);
    }

private:
    device::HidApi& hid_;
    WindowState state_{};
    std::string serial_;
    bool open_ = false;
};

} // namespace tensilo::ctl
