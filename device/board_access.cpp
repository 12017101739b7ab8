#include "device/board_access.h"

#include "device/device_string_text.h"
#include "device/interface_walk.h"
#include "device/read_channel.h"
#include "protocol/device_strings.h"
#include "protocol/register_write.h"
#include "protocol/settings_report.h"

#include <array>

namespace tensilo::device {

bool OpenBoard(HidApi& hid, WindowState& state, const std::string& serialText, int skip) {
    const bool found = WalkInterfaces(hid, state, [&](const std::string& text) {
        if (text != serialText)
            return BoardVerdict::Close;
        return skip-- > 0 ? BoardVerdict::Close : BoardVerdict::KeepAndStop;
    });
    if (!found)
        return false;
    ReadDeviceCaps(hid, state);
    state.ReadHandle = hid.CreateFileA(state.DevicePath, kGenericRead | kGenericWrite,
                                       kFileShareRead | kFileShareWrite, state.HandleSecurity,
                                       kOpenExisting, kFileFlagOverlapped);
    if (!IsOpenHandle(state.ReadHandle)) {
        // Without its read handle the board cannot be polled; it counts as not found, and its
        // first handle is closed here rather than left for a close of a handle never opened.
        state.LastResult = hid.CloseHandle(state.DeviceHandle);
        return false;
    }
    CreateReadEvent(hid, state);
    return true;
}

void CloseBoard(HidApi& hid, WindowState& state, ReadEventOnClose readEvent) {
    state.LastResult = hid.CloseHandle(state.DeviceHandle);
    state.LastResult = hid.CloseHandle(state.ReadHandle);
    if (readEvent == ReadEventOnClose::Close && state.ReadEvent != kNoHandle) {
        state.LastResult = hid.CloseHandle(state.ReadEvent);
        state.ReadEvent = kNoHandle;
        state.ReadOverlapped.hEvent = kNoHandle;
    }
}

bool BoardDetails::AllowsGainChanges() const {
    return version && protocol::VersionMinor(*version) >= 1;
}

BoardDetails ReadBoardDetails(HidApi& hid, WindowState& state, Handle handle) {
    // One buffer for both strings, zero-filled once: each request writes at most 100 bytes, so the
    // text always ends inside the 201.
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> stringBuffer{};
    const auto request = std::span(stringBuffer).first(protocol::kDeviceStringRequestLength);
    BoardDetails details;
    state.LastResult = hid.HidD_GetManufacturerString(handle, request);
    if (state.LastResult != 0) {
        details.manufacturer = DeviceStringText(stringBuffer);
        details.version = state.DeviceAttributes.VersionNumber;
    }
    state.LastResult = hid.HidD_GetProductString(handle, request);
    if (state.LastResult != 0)
        details.product = DeviceStringText(stringBuffer);
    return details;
}

std::optional<std::vector<std::uint8_t>> ReadFeatureReport(HidApi& hid, WindowState& state) {
    const std::size_t featureLength = state.Capabilities.FeatureReportByteLength;
    if (featureLength < protocol::kSettingsReportLength)
        return std::nullopt;
    std::vector<std::uint8_t> report(featureLength, 0);
    state.LastResult = hid.HidD_GetFeature(state.DeviceHandle, report);
    if (state.LastResult == 0)
        return std::nullopt;
    return report;
}

std::optional<std::vector<std::uint8_t>> ReadSettingsReport(HidApi& hid, WindowState& state) {
    auto report = ReadFeatureReport(hid, state);
    if (!report || !protocol::AcceptSettingsReport(true, *report))
        return std::nullopt;
    return report;
}

GainWrite WriteGain(HidApi& hid, WindowState& state, protocol::Channel channel, int item) {
    const std::size_t featureLength = state.Capabilities.FeatureReportByteLength;
    if (featureLength < protocol::kRegisterWriteMinLength)
        return GainWrite::NotSent;
    // One zero-filled buffer for the three reports: bytes 4 onward stay 0 in each.
    std::vector<std::uint8_t> report(featureLength, 0);
    bool refused = false;
    for (const protocol::RegisterWrite& write : protocol::GainSelectionWrites(channel, item)) {
        protocol::FillRegisterWrite(report, write);
        state.LastResult = hid.HidD_SetFeature(state.DeviceHandle, report);
        refused = refused || state.LastResult == 0;
    }
    return refused ? GainWrite::Refused : GainWrite::Taken;
}

} // namespace tensilo::device
