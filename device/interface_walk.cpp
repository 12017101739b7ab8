#include "device/interface_walk.h"

#include "device/board_identity.h"
#include "device/device_string_text.h"
#include "device/system_failure.h"
#include "protocol/device_strings.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tensilo::device {

namespace {

// Larger detail records than this hold no device path a program could open.
constexpr std::uint32_t kMaxDetailSize = 64 * 1024;

// The device path that the detail record holds from byte 4, up to its first zero byte. Never
// reads past the buffer, even when the platform left it without a terminator.
std::string PathFromDetail(const std::vector<std::uint8_t>& detail) {
    if (detail.size() <= kDetailPathOffset)
        return {};
    const auto begin = detail.begin() + static_cast<std::ptrdiff_t>(kDetailPathOffset);
    const auto end = std::find(begin, detail.end(), std::uint8_t{0});
    return std::string(begin, end);
}

// Fills DetailBuffer with the interface's detail record and DevicePath with its path.
void ReadInterfacePath(HidApi& hid, WindowState& state) {
    std::uint32_t required = 0;
    state.LastResult =
        hid.SetupDiGetDeviceInterfaceDetailA(state.InterfaceSet, state.InterfaceData, {}, required);
    // A size beyond any real record is treated as no record at all.
    state.DetailRequiredSize = required > kMaxDetailSize ? 0 : static_cast<std::int32_t>(required);
    state.DetailBufferLength = state.DetailRequiredSize;
    state.DetailHeader = kDetailHeaderSize;
    state.DetailBuffer.assign(static_cast<std::size_t>(state.DetailRequiredSize) + 1, 0);
    if (state.DetailBuffer.size() >= sizeof state.DetailHeader)
        std::memcpy(state.DetailBuffer.data(), &state.DetailHeader, sizeof state.DetailHeader);
    state.LastResult = hid.SetupDiGetDeviceInterfaceDetailA(
        state.InterfaceSet, state.InterfaceData,
        std::span(state.DetailBuffer).first(static_cast<std::size_t>(state.DetailBufferLength)),
        required);
    state.DevicePath = PathFromDetail(state.DetailBuffer);
}

} // namespace

std::string InterfacePath(HidApi& hid, Handle set, const InterfaceData& data) {
    WindowState scratch;
    scratch.InterfaceSet = set;
    scratch.InterfaceData = data;
    ReadInterfacePath(hid, scratch);
    return scratch.DevicePath;
}

bool WalkInterfaces(HidApi& hid, WindowState& state, const BoardVisitor& visitor,
                    WalkNotes* notes) {
    state.HandleSecurity.nLength = 12;
    state.HandleSecurity.bInheritHandle = true;
    state.EnumerationEnded = kFalse;

    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    state.InterfaceSet = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    if (!IsOpenHandle(state.InterfaceSet)) {
        // A failed class-device query finds nothing, and there is no set to destroy.
        state.EnumerationEnded = kTrue;
        return false;
    }

    // The serial buffer is zero-filled once per walk and reused without clearing: each request
    // writes at most 100 bytes, so the text always ends inside the 201 bytes.
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> serialBuffer{};
    bool kept = false;
    for (std::uint32_t memberIndex = 0; !kept; ++memberIndex) {
        state.InterfaceData = InterfaceData{};
        state.InterfaceData.cbSize = sizeof(InterfaceData);
        state.LastResult = hid.SetupDiEnumDeviceInterfaces(state.InterfaceSet, hidGuid,
                                                           memberIndex, state.InterfaceData);
        if (state.LastResult == 0) {
            state.EnumerationEnded = kTrue;
            break;
        }
        ReadInterfacePath(hid, state);

        // Another product's interface, as the system tells without opening it, is left alone:
        // opening a device wakes it and starts its reports, and a search runs several times a
        // second. Only the product's interfaces, and those the system cannot tell, are opened.
        InterfaceIds ids;
        state.LastResult =
            hid.GetInterfaceIds(state.InterfaceSet, state.InterfaceData, state.DevicePath, ids);
        const bool told = state.LastResult != 0;
        if (told && (ids.VendorID != BoardVendorId || ids.ProductID != BoardProductId))
            continue;

        state.DeviceHandle = hid.CreateFileA(state.DevicePath, kGenericRead | kGenericWrite,
                                             kFileShareRead | kFileShareWrite,
                                             state.HandleSecurity, kOpenExisting, 0);
        if (!IsOpenHandle(state.DeviceHandle)) {
            // Refused the open: nothing to read, nothing to close. A board is known as refused
            // when the system told its IDs before, or tells them with the refusal.
            if (notes != nullptr && (told ? AccessDenied(hid)
                                          : AccessRefusedTo(hid, BoardVendorId, BoardProductId)))
                notes->refusedBoardPaths.push_back(state.DevicePath);
            continue;
        }

        state.DeviceAttributes.Size = kAttributesSize;
        state.LastResult = hid.HidD_GetAttributes(state.DeviceHandle, state.DeviceAttributes);
        const bool belongs = state.LastResult != 0 &&
                             state.DeviceAttributes.VendorID == BoardVendorId &&
                             state.DeviceAttributes.ProductID == BoardProductId;
        if (belongs) {
            state.LastResult = hid.HidD_GetSerialNumberString(
                state.DeviceHandle,
                std::span(serialBuffer).first(protocol::kDeviceStringRequestLength));
            if (state.LastResult != 0)
                kept = visitor(DeviceStringText(serialBuffer)) == BoardVerdict::KeepAndStop;
        }
        if (!kept)
            state.LastResult = hid.CloseHandle(state.DeviceHandle);
    }
    state.LastResult = hid.SetupDiDestroyDeviceInfoList(state.InterfaceSet);
    return kept;
}

} // namespace tensilo::device
