#include "device/failure_log.h"

#include <ostream>

namespace tensilo::device {

namespace {

// What a line names: the call, and the device path when there is one ("CreateFileA /dev/hidraw3").
std::string CallOn(const char* call, const std::string& subject) {
    return subject.empty() ? std::string(call) : call + (" " + subject);
}

} // namespace

FailureLog::FailureLog(HidApi& inner, std::ostream& log, std::string prefix)
    : inner_(inner), log_(log), prefix_(std::move(prefix)) {}

std::optional<SystemFailure> FailureLog::LastFailure() const {
    return inner_.LastFailure();
}

void FailureLog::Failed(const char* call, const std::string& subject) {
    const auto failure = inner_.LastFailure();
    if (failure && IsOrdinaryAnswer(*failure))
        return;
    const std::string what = CallOn(call, subject);
    std::string reason = LastFailureText(inner_);
    std::string& written = written_[what];
    if (written == reason)
        return;
    log_ << prefix_ << what << " failed: " << reason << std::endl;
    written = std::move(reason);
}

void FailureLog::Succeeded(const char* call, const std::string& subject) {
    if (!written_.empty())
        written_.erase(CallOn(call, subject));
}

std::int32_t FailureLog::Check(std::int32_t result, const char* call, const std::string& subject) {
    if (result == 0)
        Failed(call, subject);
    else
        Succeeded(call, subject);
    return result;
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
    if (result == 0 && inner_.LastFailure())
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

std::int32_t FailureLog::GetInterfaceIds(Handle set, const InterfaceData& data,
                                         const std::string& path, InterfaceIds& ids) {
    // "Cannot say" is an ordinary answer: the walk then opens the interface, whose failures are
    // written as they come.
    return inner_.GetInterfaceIds(set, data, path, ids);
}

std::int32_t FailureLog::SetupDiDestroyDeviceInfoList(Handle set) {
    return Check(inner_.SetupDiDestroyDeviceInfoList(set), "SetupDiDestroyDeviceInfoList", {});
}

Handle FailureLog::CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                               const SecurityAttributes& security, std::uint32_t disposition,
                               std::uint32_t flags) {
    const Handle device = inner_.CreateFileA(path, access, share, security, disposition, flags);
    if (IsOpenHandle(device)) {
        paths_[device] = path;
        Succeeded("CreateFileA", path);
    } else {
        Failed("CreateFileA", path);
    }
    return device;
}

std::int32_t FailureLog::HidD_GetAttributes(Handle device, Attributes& attributes) {
    return Check(inner_.HidD_GetAttributes(device, attributes), "HidD_GetAttributes",
                 PathOf(device));
}

std::int32_t FailureLog::HidD_GetSerialNumberString(Handle device, std::span<std::uint8_t> buffer) {
    return Check(inner_.HidD_GetSerialNumberString(device, buffer), "HidD_GetSerialNumberString",
                 PathOf(device));
}

std::int32_t FailureLog::HidD_GetManufacturerString(Handle device, std::span<std::uint8_t> buffer) {
    return Check(inner_.HidD_GetManufacturerString(device, buffer), "HidD_GetManufacturerString",
                 PathOf(device));
}

std::int32_t FailureLog::HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) {
    return Check(inner_.HidD_GetProductString(device, buffer), "HidD_GetProductString",
                 PathOf(device));
}

std::int32_t FailureLog::HidD_GetPreparsedData(Handle device, PreparsedData& data) {
    return Check(inner_.HidD_GetPreparsedData(device, data), "HidD_GetPreparsedData",
                 PathOf(device));
}

std::int32_t FailureLog::HidP_GetCaps(PreparsedData data, HidCaps& caps) {
    const std::int32_t status = inner_.HidP_GetCaps(data, caps);
    if (status != kHidpStatusSuccess)
        Failed("HidP_GetCaps", {});
    return status;
}

std::int32_t FailureLog::HidD_FreePreparsedData(PreparsedData data) {
    return Check(inner_.HidD_FreePreparsedData(data), "HidD_FreePreparsedData", {});
}

std::int32_t FailureLog::HidD_GetFeature(Handle device, std::span<std::uint8_t> report) {
    return Check(inner_.HidD_GetFeature(device, report), "HidD_GetFeature", PathOf(device));
}

std::int32_t FailureLog::HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) {
    return Check(inner_.HidD_SetFeature(device, report), "HidD_SetFeature", PathOf(device));
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
    if (result == 0 && inner_.LastFailure())
        Failed("ReadFile", PathOf(device));
    else if (result != 0)
        Succeeded("ReadFile", PathOf(device));
    return result;
}

std::int32_t FailureLog::ReadFileWithTimeout(Handle device, std::span<std::uint8_t> buffer,
                                             std::uint32_t& bytesRead, Overlapped& overlapped,
                                             std::uint32_t timeoutMilliseconds) {
    // A wait that ends without a report succeeds; only a fault returns 0.
    return Check(inner_.ReadFileWithTimeout(device, buffer, bytesRead, overlapped,
                                            timeoutMilliseconds),
                 "ReadFileWithTimeout", PathOf(device));
}

std::int32_t FailureLog::ReadFilesWithTimeout(std::span<InputRead> reads,
                                              std::uint32_t timeoutMilliseconds) {
    const std::int32_t result = inner_.ReadFilesWithTimeout(reads, timeoutMilliseconds);
    if (result == 0) {
        Failed("ReadFilesWithTimeout", {});
        return result;
    }
    // Each device on its own line, as its own read would be: a wait that ends without a report
    // is no failure.
    for (const InputRead& read : reads)
        Check(read.result, "ReadFile", PathOf(read.device));
    return result;
}

std::int32_t FailureLog::CloseHandle(Handle handle) {
    const std::string path = PathOf(handle);
    const std::int32_t result = inner_.CloseHandle(handle);
    if (result != 0)
        paths_.erase(handle);
    return Check(result, "CloseHandle", path);
}

std::int32_t FailureLog::TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) {
    return Check(inner_.TakeWriteLock(device, timeoutMilliseconds), "TakeWriteLock",
                 PathOf(device));
}

std::int32_t FailureLog::ReleaseWriteLock(Handle device) {
    return Check(inner_.ReleaseWriteLock(device), "ReleaseWriteLock", PathOf(device));
}

} // namespace tensilo::device
