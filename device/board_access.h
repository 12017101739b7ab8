// What every front end does with a board of the product, over the same walk and reports: open the
// one with a given serial number on its two handles, read its details and its settings report,
// write a gain as three register writes, and close it. The window's procedures and tensiloctl both
// work through these, on the walk's record (WindowState), so that a board is opened, read and
// written one way only.
#pragma once

#include "device/hid_api.h"
#include "device/window_state.h"
#include "protocol/gain_items.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::device {

// Opens the first board of the product, in the platform's order, whose serial number text is
// exactly `serialText`: DeviceHandle (synchronous: feature reports, capabilities) and ReadHandle
// (overlapped: input reports, device strings) on it, DevicePath its path, Capabilities read and
// ReadOverlapped armed with ReadEvent. With `skip`, the boards of that serial number before the
// one opened are passed over: 1 opens the second of them, so that boards that share a serial
// number can each be reached. False when there is none, or when its read handle cannot be
// opened; no handle is then left open.
bool OpenBoard(HidApi& hid, WindowState& state, const std::string& serialText, int skip = 0);

// What CloseBoard does with the read event OpenBoard created. The window keeps its one event for
// the life of the program and arms it again at every open; a program that opens boards one after
// the other and then ends (tensiloctl) closes each with its board.
enum class ReadEventOnClose { Keep, Close };

// Closes the two handles OpenBoard opened, DeviceHandle then ReadHandle, and with
// ReadEventOnClose::Close the read event too (ReadEvent and ReadOverlapped.hEvent then name none),
// each result in LastResult. Only for a board that is open: closing twice is the caller's fault.
void CloseBoard(HidApi& hid, WindowState& state,
                ReadEventOnClose readEvent = ReadEventOnClose::Keep);

// The board's strings and version, as the window shows them.
struct BoardDetails {
    // The text of each string (DeviceStringText), without the window's leading space; none when
    // the request failed.
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    // The version number from the board's attributes. The board's tools have always shown it,
    // and judged by its minor number whether the gains may be changed, only after the
    // manufacturer string was read: without it there is no version.
    std::optional<std::uint16_t> version;

    // Whether the board's version allows its gains to be changed: a minor number of at least 1.
    // The one place that decides it, for the window and tensiloctl alike.
    bool AllowsGainChanges() const;
};

// Requests the manufacturer string, then the product string, through `handle` (the window uses
// ReadHandle), each result in LastResult.
BoardDetails ReadBoardDetails(HidApi& hid, WindowState& state, Handle handle);

// The settings report of the board open on DeviceHandle, FeatureReportByteLength bytes with report
// ID 0 asked for, when the board sends one that is accepted (marker and zero byte in place). None
// when the transfer fails (its result is in LastResult) or the report is not accepted; a board
// whose feature reports are too short to hold it is not asked.
std::optional<std::vector<std::uint8_t>> ReadSettingsReport(HidApi& hid, WindowState& state);

// The feature report the settings report is read from, as the board sent it, accepted or not:
// FeatureReportByteLength bytes with report ID 0 asked for. None when the transfer fails (its
// result is in LastResult) or the board's feature reports are too short to hold the settings.
std::optional<std::vector<std::uint8_t>> ReadFeatureReport(HidApi& hid, WindowState& state);

// What became of the three register writes of a gain.
enum class GainWrite {
    Taken,    // all three were taken
    Refused,  // all three were sent, and one or more was refused
    NotSent,  // the board's feature reports cannot hold the command: nothing was sent
};

// Selects `item` of `channel`'s list on the board open on DeviceHandle: its code, shift and fine
// register, in that order, one feature report each of FeatureReportByteLength bytes, all three
// whatever the result of the one before; each result in LastResult.
GainWrite WriteGain(HidApi& hid, WindowState& state, protocol::Channel channel, int item);

} // namespace tensilo::device
