#include "device/null_backend.h"

namespace tensilo::device {

void NullHidApi::HidD_GetHidGuid(Guid& guid) {
    guid = Guid{};
}

Handle NullHidApi::SetupDiGetClassDevsA(const Guid&, std::uint32_t) {
    setOpen_ = true;
    return kEmptySet;
}

std::int32_t NullHidApi::SetupDiEnumDeviceInterfaces(Handle, const Guid&, std::uint32_t,
                                                     InterfaceData&) {
    return 0;
}

std::int32_t NullHidApi::SetupDiGetDeviceInterfaceDetailA(Handle, const InterfaceData&,
                                                          std::span<std::uint8_t>,
                                                          std::uint32_t& requiredSize) {
    requiredSize = 0;
    return 0;
}

std::int32_t NullHidApi::GetInterfaceIds(Handle, const InterfaceData&, const std::string&,
                                         InterfaceIds&) {
    return 0;
}

std::int32_t NullHidApi::SetupDiDestroyDeviceInfoList(Handle set) {
    if (set != kEmptySet || !setOpen_)
        return 0;
    setOpen_ = false;
    return 1;
}

Handle NullHidApi::CreateFileA(const std::string&, std::uint32_t, std::uint32_t,
                               const SecurityAttributes&, std::uint32_t, std::uint32_t) {
    return kInvalidHandle;
}

std::int32_t NullHidApi::HidD_GetAttributes(Handle, Attributes&) { return 0; }
std::int32_t NullHidApi::HidD_GetSerialNumberString(Handle, std::span<std::uint8_t>) { return 0; }
std::int32_t NullHidApi::HidD_GetManufacturerString(Handle, std::span<std::uint8_t>) { return 0; }
std::int32_t NullHidApi::HidD_GetProductString(Handle, std::span<std::uint8_t>) { return 0; }
std::int32_t NullHidApi::HidD_GetPreparsedData(Handle, PreparsedData&) { return 0; }
std::int32_t NullHidApi::HidP_GetCaps(PreparsedData, HidCaps&) { return 0; }
std::int32_t NullHidApi::HidD_FreePreparsedData(PreparsedData) { return 0; }
std::int32_t NullHidApi::HidD_GetFeature(Handle, std::span<std::uint8_t>) { return 0; }
std::int32_t NullHidApi::HidD_SetFeature(Handle, std::span<const std::uint8_t>) { return 0; }

Handle NullHidApi::CreateEventA(const SecurityAttributes&, bool, bool) {
    return kEvent;
}

std::int32_t NullHidApi::ReadFile(Handle, std::span<std::uint8_t>, std::uint32_t& bytesRead,
                                  Overlapped&) {
    bytesRead = 0;
    return 0;
}

std::int32_t NullHidApi::ReadFilesWithTimeout(std::span<InputRead> reads, std::uint32_t) {
    // Every request fails at once: no device is open, and a lost device ends the wait.
    return ClearInputReads(reads) ? 1 : 0;
}

std::int32_t NullHidApi::CloseHandle(Handle) { return 0; }

// No device is ever open here, so no handle can hold a lock.
std::int32_t NullHidApi::TakeWriteLock(Handle, std::uint32_t) {
    return 0;
}
std::int32_t NullHidApi::ReleaseWriteLock(Handle) {
    return 0;
}

} // namespace tensilo::device
