#include "device/failure_log.h"

#include <ostream>

namespace tensilo::device {

FailureLog::FailureLog(HidApi& inner, std::ostream& log, std::string prefix)
    : inner_(inner), log_(log), prefix_(std::move(prefix)) {}

std::optional<SystemFailure> FailureLog::LastFailure() const {
    return LastFailureOf(inner_);
}

void FailureLog::Failed(const char* call, const std::string& subject) {
    const auto failure = LastFailureOf(inner_);
    if (failure && IsOrdinaryAnswer(*failure))
        return;
    log_ << prefix_ << call;
    if (!subject.empty())
        log_ << " " << subject;
    log_ << " failed: " << LastFailureText(inner_) << std::endl;
}

std::string FailureLog::PathOf(Handle device) const {
    const auto found = paths_.find(device);
    return found == paths_.end() ? std::string() : found->second;
}

void FailureLog::HidD_GetHidGuid(Guid& guid) {
    inner_.HidD_GetHidGuid(guid);
}

Handle FailureLog::SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) {
    const Handle set = inner_.SetupDiGetClassDevsA(guid, flags);
    if (!IsOpenHandle(set))
        Failed("SetupDiGetClassDevsA", {});
    return set;
}

std::int32_t FailureLog::SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                                     std::uint32_t memberIndex,
                                                     InterfaceData& data) {
    const std::int32_t result = inner_.SetupDiEnumDeviceInterfaces(set, guid, memberIndex, data);
    // The walk ends on a failure; only a backend that tells it was something else is heard.
    if (result == 0 && LastFailureOf(inner_))
        Failed("SetupDiEnumDeviceInterfaces", {});
    return result;
}

std::int32_t FailureLog::SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                          std::span<std::uint8_t> detail,
                                                          std::uint32_t& requiredSize) {
    const std::int32_t result =
        inner_.SetupDiGetDeviceInterfaceDetailA(set, data, detail, requiredSize);
    // The size query fails by design.
    if (result == 0 && !detail.empty())
        Failed("SetupDiGetDeviceInterfaceDetailA", {});
    return result;
}

std::int32_t FailureLog::SetupDiDestroyDeviceInfoList(Handle set) {
    const std::int32_t result = inner_.SetupDiDestroyDeviceInfoList(set);
    if (result == 0)
        Failed("SetupDiDestroyDeviceInfoList", {});
    return result;
}

Handle FailureLog::CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                               const SecurityAttributes& security, std::uint32_t disposition,
                               std::uint32_t flags) {
    const Handle device = inner_.CreateFileA(path, access, share, security, disposition, flags);
    if (IsOpenHandle(device))
        paths_[device] = path;
    else
        Failed("CreateFileA", path);
    return device;
}

std::int32_t FailureLog::HidD_GetAttributes(Handle device, Attributes& attributes) {
    const std::int32_t result = inner_.HidD_GetAttributes(device, attributes);
    if (result == 0)
        Failed("HidD_GetAttributes", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidD_GetSerialNumberString(Handle device, std::span<std::uint8_t> buffer) {
    const std::int32_t result = inner_.HidD_GetSerialNumberString(device, buffer);
    if (result == 0)
        Failed("HidD_GetSerialNumberString", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidD_GetManufacturerString(Handle device, std::span<std::uint8_t> buffer) {
    const std::int32_t result = inner_.HidD_GetManufacturerString(device, buffer);
    if (result == 0)
        Failed("HidD_GetManufacturerString", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) {
    const std::int32_t result = inner_.HidD_GetProductString(device, buffer);
    if (result == 0)
        Failed("HidD_GetProductString", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidD_GetPreparsedData(Handle device, PreparsedData& data) {
    const std::int32_t result = inner_.HidD_GetPreparsedData(device, data);
    if (result == 0)
        Failed("HidD_GetPreparsedData", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidP_GetCaps(PreparsedData data, HidCaps& caps) {
    const std::int32_t status = inner_.HidP_GetCaps(data, caps);
    if (status != kHidpStatusSuccess)
        Failed("HidP_GetCaps", {});
    return status;
}

std::int32_t FailureLog::HidD_FreePreparsedData(PreparsedData data) {
    const std::int32_t result = inner_.HidD_FreePreparsedData(data);
    if (result == 0)
        Failed("HidD_FreePreparsedData", {});
    return result;
}

std::int32_t FailureLog::HidD_GetFeature(Handle device, std::span<std::uint8_t> report) {
    const std::int32_t result = inner_.HidD_GetFeature(device, report);
    if (result == 0)
        Failed("HidD_GetFeature", PathOf(device));
    return result;
}

std::int32_t FailureLog::HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) {
    const std::int32_t result = inner_.HidD_SetFeature(device, report);
    if (result == 0)
        Failed("HidD_SetFeature", PathOf(device));
    return result;
}

Handle FailureLog::CreateEventA(const SecurityAttributes& security, bool manualReset,
                                bool initialState) {
    const Handle event = inner_.CreateEventA(security, manualReset, initialState);
    if (event == kNoHandle)
        Failed("CreateEventA", {});
    return event;
}

std::int32_t FailureLog::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                                  std::uint32_t& bytesRead, Overlapped& overlapped) {
    const std::int32_t result = inner_.ReadFile(device, buffer, bytesRead, overlapped);
    // A poll finds nothing waiting most of the time; only a backend that tells it was something
    // else is heard.
    if (result == 0 && LastFailureOf(inner_))
        Failed("ReadFile", PathOf(device));
    return result;
}

std::int32_t FailureLog::CloseHandle(Handle handle) {
    const std::string path = PathOf(handle);
    const std::int32_t result = inner_.CloseHandle(handle);
    if (result != 0)
        paths_.erase(handle);
    else
        Failed("CloseHandle", path);
    return result;
}

} // namespace tensilo::device
