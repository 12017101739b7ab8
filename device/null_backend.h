// A HID backend with no devices: every class-device query yields an empty set. The application
// runs on it where no platform backend is built, so that it starts and shows its no-board state
// rather than pretending that boards exist.
#pragma once

#include "device/hid_api.h"

namespace tensilo::device {

class NullHidApi final : public HidApi {
public:
    void HidD_GetHidGuid(Guid& guid) override;
    Handle SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) override;
    std::int32_t SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                             std::uint32_t memberIndex,
                                             InterfaceData& data) override;
    std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                  std::span<std::uint8_t> detail,
                                                  std::uint32_t& requiredSize) override;
    std::int32_t GetInterfaceIds(Handle set, const InterfaceData& data, const std::string& path,
                                 InterfaceIds& ids) override;
    std::int32_t SetupDiDestroyDeviceInfoList(Handle set) override;
    Handle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                       const SecurityAttributes& security, std::uint32_t disposition,
                       std::uint32_t flags) override;
    std::int32_t HidD_GetAttributes(Handle device, Attributes& attributes) override;
    std::int32_t HidD_GetSerialNumberString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetManufacturerString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& data) override;
    std::int32_t HidP_GetCaps(PreparsedData data, HidCaps& caps) override;
    std::int32_t HidD_FreePreparsedData(PreparsedData data) override;
    std::int32_t HidD_GetFeature(Handle device, std::span<std::uint8_t> report) override;
    std::int32_t HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) override;
    Handle CreateEventA(const SecurityAttributes& security, bool manualReset,
                        bool initialState) override;
    std::int32_t ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                          Overlapped& overlapped) override;
    std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                      std::uint32_t timeoutMilliseconds) override;
    std::int32_t CloseHandle(Handle handle) override;
    std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) override;
    std::int32_t ReleaseWriteLock(Handle device) override;

private:
    static constexpr Handle kEmptySet = 1;
    static constexpr Handle kEvent = 2;
    bool setOpen_ = false;
};

} // namespace tensilo::device
