// A HID interface that passes every call to another and writes a line for each call that failed,
// with the reason the backend gives: what `tensilo-config --verbose` prints on standard error.
// Ordinary answers that the program expects are not failures here: a read with no report
// waiting, the end of an enumeration, and the detail query for the record's size. A failure that
// every search repeats (a node this user may not open, tried 20 times a second) is written once,
// and again only after the same call on the same device has succeeded or failed otherwise. A
// board's write lock that stays held elsewhere for the whole wait is written as a failure: it
// refuses a gain, and the line says why.
#pragma once

#include "device/hid_api.h"
#include "device/system_failure.h"

#include <iosfwd>
#include <map>
#include <string>

namespace tensilo::device {

class FailureLog final : public HidApi {
public:
    // Lines go to `log`, each starting with `prefix`.
    FailureLog(HidApi& inner, std::ostream& log, std::string prefix);

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
    std::int32_t ReadFileWithTimeout(Handle device, std::span<std::uint8_t> buffer,
                                     std::uint32_t& bytesRead, Overlapped& overlapped,
                                     std::uint32_t timeoutMilliseconds) override;
    std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                      std::uint32_t timeoutMilliseconds) override;
    std::int32_t CloseHandle(Handle handle) override;
    std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) override;
    std::int32_t ReleaseWriteLock(Handle device) override;
    std::optional<SystemFailure> LastFailure() const override;

private:
    // Writes the line for a failed call on `subject` (a device path, or empty), unless the
    // backend tells that the failure was an ordinary answer.
    void Failed(const char* call, const std::string& subject);
    // Forgets the failure written for this call on `subject`, so that its next one is written.
    void Succeeded(const char* call, const std::string& subject);
    // Failed or Succeeded by `result`, which it returns.
    std::int32_t Check(std::int32_t result, const char* call, const std::string& subject);
    // The path a device handle was opened on, for the line; empty for an unknown handle.
    std::string PathOf(Handle device) const;

    HidApi& inner_;
    std::ostream& log_;
    const std::string prefix_;
    std::map<Handle, std::string> paths_;
    // The reason last written for each call and subject ("CreateFileA /dev/hidraw3").
    std::map<std::string, std::string> written_;
};

} // namespace tensilo::device
