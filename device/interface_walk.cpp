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

namespace {

// The serial buffer is zero-filled once per walk and reused without clearing: each request writes
// at most 100 bytes, so the text always ends inside the 201 bytes.
using SerialBuffer = std::array<std::uint8_t, protocol::kDeviceStringBufferSize>;

// Takes the set of present HID interfaces into InterfaceSet; false, with the enumeration ended,
// when the system gives none (a failed class-device query leaves no set to destroy).
bool TakeInterfaceSet(HidApi& hid, WindowState& state, Guid& hidGuid) {
    state.HandleSecurity.nLength = 12;
    state.HandleSecurity.bInheritHandle = true;
    state.EnumerationEnded = kFalse;
    hid.HidD_GetHidGuid(hidGuid);
    state.InterfaceSet = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    if (IsOpenHandle(state.InterfaceSet))
        return true;
    state.EnumerationEnded = kTrue;
    return false;
}

// Fills InterfaceData with the set's interface at `memberIndex`; false, with the enumeration
// ended, past the last one.
bool NextInterface(HidApi& hid, WindowState& state, const Guid& hidGuid,
                   std::uint32_t memberIndex) {
    state.InterfaceData = InterfaceData{};
    state.InterfaceData.cbSize = sizeof(InterfaceData);
    state.LastResult = hid.SetupDiEnumDeviceInterfaces(state.InterfaceSet, hidGuid, memberIndex,
                                                       state.InterfaceData);
    if (state.LastResult != 0)
        return true;
    state.EnumerationEnded = kTrue;
    return false;
}

// Reads the attributes and the serial number of the interface open on DeviceHandle and, for a
// board of the product, asks the visitor; closes the handle unless the visitor keeps it. True when
// it was kept.
bool OfferOpenInterface(HidApi& hid, WindowState& state, const BoardVisitor& visitor,
                        SerialBuffer& serialBuffer) {
    state.DeviceAttributes.Size = kAttributesSize;
    state.LastResult = hid.HidD_GetAttributes(state.DeviceHandle, state.DeviceAttributes);
    const bool belongs = state.LastResult != 0 &&
                         state.DeviceAttributes.VendorID == BoardVendorId &&
                         state.DeviceAttributes.ProductID == BoardProductId;
    bool kept = false;
    if (belongs) {
        state.LastResult = hid.HidD_GetSerialNumberString(
            state.DeviceHandle,
            std::span(serialBuffer).first(protocol::kDeviceStringRequestLength));
        if (state.LastResult != 0)
            kept = visitor(DeviceStringText(serialBuffer)) == BoardVerdict::KeepAndStop;
    }
    if (!kept)
        state.LastResult = hid.CloseHandle(state.DeviceHandle);
    return kept;
}

// Visits the interface of InterfaceData: reads its path and, unless the system tells it to be
// another product's, opens it and offers it. True when the visitor kept it.
bool VisitInterface(HidApi& hid, WindowState& state, const BoardVisitor& visitor, WalkNotes* notes,
                    SerialBuffer& serialBuffer) {
    ReadInterfacePath(hid, state);
    // Another product's interface, as the system tells without opening it, is left alone:
    // opening a device wakes it and starts its reports, and a search runs several times a
    // second. Only the product's interfaces, and those the system cannot tell, are opened.
    InterfaceIds ids;
    state.LastResult =
        hid.GetInterfaceIds(state.InterfaceSet, state.InterfaceData, state.DevicePath, ids);
    const bool told = state.LastResult != 0;
    if (told && (ids.VendorID != BoardVendorId || ids.ProductID != BoardProductId))
        return false;

    state.DeviceHandle =
        hid.CreateFileA(state.DevicePath, kGenericRead | kGenericWrite,
                        kFileShareRead | kFileShareWrite, state.HandleSecurity, kOpenExisting, 0);
    if (IsOpenHandle(state.DeviceHandle))
        return OfferOpenInterface(hid, state, visitor, serialBuffer);
    // Refused the open: nothing to read, nothing to close. A board is known as refused when the
    // system told its IDs before, or tells them with the refusal.
    if (notes != nullptr &&
        (told ? AccessDenied(hid) : AccessRefusedTo(hid, BoardVendorId, BoardProductId)))
        notes->refusedBoardPaths.push_back(state.DevicePath);
    return false;
}

} // namespace

bool WalkInterfaces(HidApi& hid, WindowState& state, const BoardVisitor& visitor,
                    WalkNotes* notes) {
    Guid hidGuid;
    if (!TakeInterfaceSet(hid, state, hidGuid))
        return false;
    SerialBuffer serialBuffer{};
    bool kept = false;
    for (std::uint32_t memberIndex = 0; !kept && NextInterface(hid, state, hidGuid, memberIndex);
         ++memberIndex)
        kept = VisitInterface(hid, state, visitor, notes, serialBuffer);
    state.LastResult = hid.SetupDiDestroyDeviceInfoList(state.InterfaceSet);
    return kept;
}

} // namespace tensilo::device
