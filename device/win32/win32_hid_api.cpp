// The Windows HID backend: every operation of HidApi is one call of the function it is named after
// in hid.dll, setupapi or kernel32, with the caller's arguments. The portable records of hid_api.h
// are copied into the Windows records and back; their sizes and layouts are checked below, so that
// a size the program passes (InterfaceData.cbSize, the detail header) is the one Windows expects.
// A call that fails leaves GetLastError's message for LastFailure. The boards' write locks are
// named mutexes (win32_write_locks.h).
#include "device/hid_api.h"
#include "device/platform_backend.h"
#include "device/system_failure.h"
#include "device/usb_id_text.h"
#include "device/win32/win32_input_reads.h"
#include "device/win32/win32_write_locks.h"
#include "device/win32/windows_headers.h"

#include <setupapi.h>

// mingw's HID headers declare C functions without a C++ guard. hidsdi.h first: it brings the
// types that hidpi.h uses.
extern "C" {
#include <hidsdi.h>

#include <hidpi.h>
}

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tensilo::device {

namespace {

static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(offsetof(Guid, Data4) == offsetof(GUID, Data4));

static_assert(sizeof(InterfaceData) == sizeof(SP_DEVICE_INTERFACE_DATA));
static_assert(offsetof(InterfaceData, InterfaceClassGuid) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid));
static_assert(offsetof(InterfaceData, Flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags));
static_assert(offsetof(InterfaceData, Reserved) == offsetof(SP_DEVICE_INTERFACE_DATA, Reserved));
static_assert(sizeof(InterfaceData::Reserved) == sizeof(ULONG_PTR));
#ifdef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);
#endif

// The header the caller writes into bytes 0 to 3 of the detail buffer must be the size of the
// record's fixed part, and the path must start where the caller looks for it.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == kDetailHeaderSize);
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == kDetailPathOffset);

static_assert(sizeof(Attributes) == sizeof(HIDD_ATTRIBUTES));
static_assert(sizeof(HIDD_ATTRIBUTES) == kAttributesSize);

static_assert(sizeof(HidCaps) == sizeof(HIDP_CAPS));
static_assert(offsetof(HidCaps, InputReportByteLength) ==
              offsetof(HIDP_CAPS, InputReportByteLength));
static_assert(offsetof(HidCaps, FeatureReportByteLength) ==
              offsetof(HIDP_CAPS, FeatureReportByteLength));
static_assert(offsetof(HidCaps, NumberLinkCollectionNodes) ==
              offsetof(HIDP_CAPS, NumberLinkCollectionNodes));
static_assert(offsetof(HidCaps, NumberFeatureDataIndices) ==
              offsetof(HIDP_CAPS, NumberFeatureDataIndices));
static_assert(HIDP_STATUS_SUCCESS == kHidpStatusSuccess);

static_assert(sizeof(Handle) == sizeof(HANDLE));
static_assert(sizeof(PreparsedData) == sizeof(PHIDP_PREPARSED_DATA));

static_assert(kDigcfPresent == DIGCF_PRESENT && kDigcfDeviceInterface == DIGCF_DEVICEINTERFACE);
static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ && kFileShareWrite == FILE_SHARE_WRITE);
static_assert(kOpenExisting == OPEN_EXISTING && kFileFlagOverlapped == FILE_FLAG_OVERLAPPED);

HANDLE ToHandle(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

Handle FromHandle(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}

// Copies a Windows record into the portable record laid out like it (checked above).
template <typename Portable, typename Windows> void CopyRecord(Portable& to, const Windows& from) {
    static_assert(sizeof(Portable) == sizeof(Windows));
    static_assert(std::is_trivially_copyable_v<Portable> && std::is_trivially_copyable_v<Windows>);
    std::memcpy(static_cast<void*>(&to), &from, sizeof to);
}

GUID ToGuid(const Guid& guid) {
    GUID result;
    std::memcpy(&result, &guid, sizeof result);
    return result;
}

SP_DEVICE_INTERFACE_DATA ToInterfaceData(const InterfaceData& data) {
    SP_DEVICE_INTERFACE_DATA result{};
    result.cbSize = data.cbSize; // as given: Windows refuses any size but its own
    result.InterfaceClassGuid = ToGuid(data.InterfaceClassGuid);
    result.Flags = data.Flags;
    result.Reserved = data.Reserved; // setupapi's link to the interface in its set
    return result;
}

// The portable record does not share SECURITY_ATTRIBUTES' layout (the program's nLength is the
// 32-bit record's 12), so the record is built here with the size this build's Windows expects.
SECURITY_ATTRIBUTES ToSecurityAttributes(const SecurityAttributes& security) {
    SECURITY_ATTRIBUTES result{};
    result.nLength = sizeof result;
    result.lpSecurityDescriptor = nullptr;
    result.bInheritHandle = security.bInheritHandle ? TRUE : FALSE;
    return result;
}

// Buffer lengths are DWORDs on Windows; the program's buffers are far smaller, and a longer span
// is offered only as far as a DWORD reaches.
DWORD DwordSize(std::size_t size) {
    return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

// The system's message for an error code, on one line, with the code after it.
std::string MessageOf(DWORD code) {
    char text[512] = {};
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, std::min<std::size_t>(length, sizeof text));
    while (!message.empty() && (message.back() == ' ' || message.back() == '\r' ||
                                message.back() == '\n' || message.back() == '.'))
        message.pop_back();
    if (message.empty())
        message = "error";
    return message + " (" + std::to_string(code) + ")";
}

SystemFailure FailureOf(DWORD code) {
    SystemFailure failure;
    failure.reason = MessageOf(code);
    switch (code) {
    case ERROR_ACCESS_DENIED:
        // Whose device it is cannot be known without opening it.
        failure.kind = SystemFailure::Kind::AccessDenied;
        break;
    case ERROR_NO_MORE_ITEMS:
        failure.kind = SystemFailure::Kind::NoMoreItems;
        break;
    case ERROR_IO_PENDING:
    case ERROR_OPERATION_ABORTED: // a read with nothing waiting, cancelled by the backend
        failure.kind = SystemFailure::Kind::NothingWaiting;
        break;
    default:
        failure.kind = SystemFailure::Kind::Failed;
        break;
    }
    return failure;
}

class Win32HidApi final : public HidApi {
public:
    // The message is looked up only when asked for: a poll with nothing waiting fails 20 times a
    // second.
    std::optional<SystemFailure> LastFailure() const override {
        if (!failed_)
            return std::nullopt;
        if (lastText_ != nullptr)
            return SystemFailure{lastTextKind_, lastText_, 0, 0};
        return FailureOf(lastError_);
    }

    void HidD_GetHidGuid(Guid& guid) override {
        GUID hidGuid;
        ::HidD_GetHidGuid(&hidGuid);
        CopyRecord(guid, hidGuid);
    }

    Handle SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) override {
        const GUID classGuid = ToGuid(guid);
        return Opened(::SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, flags),
                      INVALID_HANDLE_VALUE);
    }

    std::int32_t SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                             std::uint32_t memberIndex,
                                             InterfaceData& data) override {
        const GUID classGuid = ToGuid(guid);
        SP_DEVICE_INTERFACE_DATA interfaceData = ToInterfaceData(data);
        if (!::SetupDiEnumDeviceInterfaces(ToHandle(set), nullptr, &classGuid, memberIndex,
                                           &interfaceData))
            return Result(FALSE);
        CopyRecord(data, interfaceData);
        return 1;
    }

    std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                  std::span<std::uint8_t> detail,
                                                  std::uint32_t& requiredSize) override {
        SP_DEVICE_INTERFACE_DATA interfaceData = ToInterfaceData(data);
        // The caller's buffer is the record itself: its header in bytes 0 to 3 was written by the
        // caller, and Windows checks it against the size of its fixed part.
        auto* record = detail.empty()
                           ? nullptr
                           : reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail.data());
        DWORD required = 0;
        const BOOL ok = ::SetupDiGetDeviceInterfaceDetailA(
            ToHandle(set), &interfaceData, record, DwordSize(detail.size()), &required, nullptr);
        requiredSize = required;
        return Result(ok);
    }

    std::int32_t GetInterfaceIds(Handle set, const InterfaceData& data, const std::string& path,
                                 InterfaceIds& ids) override {
        // The system's record first: the hardware IDs of the device behind the interface, whose
        // device-info record the detail query gives. Nothing here opens the device, and a failure
        // is no fault (the caller then opens the interface), so none is kept.
        std::optional<InterfaceIds> found = HardwareIds(set, data);
        // Where the system keeps no such record, the path Windows gives a USB device's interface.
        if (!found)
            found = UsbIdsIn(path);
        if (!found)
            return 0;
        ids = *found;
        return 1;
    }

    std::int32_t SetupDiDestroyDeviceInfoList(Handle set) override {
        return Result(::SetupDiDestroyDeviceInfoList(ToHandle(set)));
    }

    Handle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                       const SecurityAttributes& security, std::uint32_t disposition,
                       std::uint32_t flags) override {
        SECURITY_ATTRIBUTES attributes = ToSecurityAttributes(security);
        const Handle device = Opened(
            ::CreateFileA(path.c_str(), access, share, &attributes, disposition, flags, nullptr),
            INVALID_HANDLE_VALUE);
        if (IsOpenHandle(device))
            writeLocks_.Opened(device, path);
        return device;
    }

    std::int32_t HidD_GetAttributes(Handle device, Attributes& attributes) override {
        HIDD_ATTRIBUTES hidAttributes{};
        hidAttributes.Size = attributes.Size;
        if (!::HidD_GetAttributes(ToHandle(device), &hidAttributes))
            return Result(FALSE);
        attributes.Size = hidAttributes.Size;
        attributes.VendorID = hidAttributes.VendorID;
        attributes.ProductID = hidAttributes.ProductID;
        attributes.VersionNumber = hidAttributes.VersionNumber;
        return 1;
    }

    std::int32_t HidD_GetSerialNumberString(Handle device,
                                            std::span<std::uint8_t> buffer) override {
        return Result(::HidD_GetSerialNumberString(ToHandle(device), buffer.data(),
                                                   DwordSize(buffer.size())));
    }

    std::int32_t HidD_GetManufacturerString(Handle device,
                                            std::span<std::uint8_t> buffer) override {
        return Result(::HidD_GetManufacturerString(ToHandle(device), buffer.data(),
                                                   DwordSize(buffer.size())));
    }

    std::int32_t HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) override {
        return Result(
            ::HidD_GetProductString(ToHandle(device), buffer.data(), DwordSize(buffer.size())));
    }

    std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& data) override {
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (!::HidD_GetPreparsedData(ToHandle(device), &preparsed))
            return Result(FALSE);
        data = reinterpret_cast<PreparsedData>(preparsed);
        return 1;
    }

    std::int32_t HidP_GetCaps(PreparsedData data, HidCaps& caps) override {
        HIDP_CAPS hidCaps{};
        const NTSTATUS status =
            ::HidP_GetCaps(reinterpret_cast<PHIDP_PREPARSED_DATA>(data), &hidCaps);
        if (status == HIDP_STATUS_SUCCESS) {
            CopyRecord(caps, hidCaps);
        } else {
            std::snprintf(capsStatus_, sizeof capsStatus_, "HidP_GetCaps status 0x%08lX",
                          static_cast<unsigned long>(status));
            FailWith(capsStatus_);
        }
        return static_cast<std::int32_t>(status);
    }

    std::int32_t HidD_FreePreparsedData(PreparsedData data) override {
        return Result(::HidD_FreePreparsedData(reinterpret_cast<PHIDP_PREPARSED_DATA>(data)));
    }

    std::int32_t HidD_GetFeature(Handle device, std::span<std::uint8_t> report) override {
        return Result(::HidD_GetFeature(ToHandle(device), report.data(), DwordSize(report.size())));
    }

    std::int32_t HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) override {
        // HidD_SetFeature takes a non-const pointer but only sends the buffer.
        return Result(::HidD_SetFeature(ToHandle(device), const_cast<std::uint8_t*>(report.data()),
                                        DwordSize(report.size())));
    }

    Handle CreateEventA(const SecurityAttributes& security, bool manualReset,
                        bool initialState) override {
        SECURITY_ATTRIBUTES attributes = ToSecurityAttributes(security);
        return Opened(::CreateEventA(&attributes, manualReset ? TRUE : FALSE,
                                     initialState ? TRUE : FALSE, nullptr),
                      nullptr);
    }

    std::int32_t ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                          Overlapped& overlapped) override {
        bytesRead = 0;
        OverlappedRead read;
        read.Begin(ToHandle(device), buffer, &overlapped);
        const ReadOutcome outcome = read.End(&overlapped);
        // A read that finds nothing waiting fails, as the cancelled read it was.
        if (!outcome.ok)
            return FailWithCode(outcome.error);
        bytesRead = CountRead(outcome, buffer);
        return 1;
    }

    std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                      std::uint32_t timeoutMilliseconds) override {
        if (!ClearInputReads(reads))
            return FailWith("more reads than one wait can take");
        // A read on each handle, each with its own event; the first to end ends the wait, and
        // every other is then cancelled and waited for, which may still bring it a report.
        std::array<OverlappedRead, kMaxInputReads> pending;
        const auto begun = std::span(pending).first(reads.size());
        for (std::size_t i = 0; i < reads.size(); ++i)
            begun[i].Begin(ToHandle(reads[i].device), reads[i].buffer, reads[i].overlapped);
        const bool waited = WaitForAnyRead(begun, timeoutMilliseconds);
        const DWORD waitError = waited ? 0 : ::GetLastError();
        for (std::size_t i = 0; i < reads.size(); ++i) {
            const ReadOutcome outcome = begun[i].End(reads[i].overlapped);
            if (outcome.ok) {
                reads[i].bytesRead = CountRead(outcome, reads[i].buffer);
                reads[i].result = 1;
            } else if (outcome.nothingCame && waited) {
                reads[i].result = 1; // the time passed without a report
            } else if (!outcome.nothingCame) {
                FailWithCode(outcome.error);
            }
        }
        return waited ? 1 : FailWithCode(waitError);
    }

    std::int32_t CloseHandle(Handle handle) override {
        // -1 is the current process's pseudo handle to Windows, which CloseHandle accepts; to the
        // program it is a failed open, and closing it must fail like closing any non-handle.
        if (!IsOpenHandle(handle))
            return FailWith("not an open handle");
        writeLocks_.Closing(handle);
        return Result(::CloseHandle(ToHandle(handle)));
    }

    std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) override {
        return LockResult(writeLocks_.Take(device, timeoutMilliseconds));
    }

    std::int32_t ReleaseWriteLock(Handle device) override {
        return LockResult(writeLocks_.Release(device));
    }

private:
    // The vendor and product in the hardware IDs (a list of zero-terminated strings) of the device
    // behind the interface, from the first of them that names both.
    static std::optional<InterfaceIds> HardwareIds(Handle set, const InterfaceData& data) {
        SP_DEVICE_INTERFACE_DATA interfaceData = ToInterfaceData(data);
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailA(ToHandle(set), &interfaceData, nullptr, 0, &required,
                                           nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || required > 64 * 1024)
            return std::nullopt;
        std::vector<std::uint8_t> detailBuffer(required, 0);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detailBuffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!::SetupDiGetDeviceInterfaceDetailA(ToHandle(set), &interfaceData, detail, required,
                                                nullptr, &device))
            return std::nullopt;
        std::array<char, 4096> buffer{};
        DWORD type = 0;
        DWORD size = 0;
        // The last two bytes stay zero: the list ends inside the buffer whatever the call wrote.
        if (!::SetupDiGetDeviceRegistryPropertyA(ToHandle(set), &device, SPDRP_HARDWAREID, &type,
                                                 reinterpret_cast<PBYTE>(buffer.data()),
                                                 static_cast<DWORD>(buffer.size() - 2), &size) ||
            type != REG_MULTI_SZ)
            return std::nullopt;
        for (std::size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
            const std::string_view id(buffer.data() + at);
            if (const auto ids = UsbIdsIn(id))
                return ids;
            at += id.size() + 1;
        }
        return std::nullopt;
    }

    void KeepLastError() { FailWithCode(::GetLastError()); }
    std::int32_t FailWithCode(DWORD code) {
        failed_ = true;
        lastError_ = code;
        lastText_ = nullptr;
        return 0;
    }
    // The count of a read that succeeded, never more than its buffer.
    static std::uint32_t CountRead(const ReadOutcome& outcome, std::span<std::uint8_t> buffer) {
        return static_cast<std::uint32_t>(
            std::min<std::size_t>(outcome.transferred, buffer.size()));
    }
    std::int32_t FailWith(const char* text,
                          SystemFailure::Kind kind = SystemFailure::Kind::Failed) {
        failed_ = true;
        lastText_ = text;
        lastTextKind_ = kind;
        return 0;
    }
    std::int32_t LockResult(Win32WriteLocks::Outcome outcome) {
        switch (outcome) {
        case Win32WriteLocks::Outcome::Done:
            return 1;
        case Win32WriteLocks::Outcome::Busy:
            return FailWith(kWriteLockBusyReason, SystemFailure::Kind::Busy);
        case Win32WriteLocks::Outcome::NotDevice:
            return FailWith("not an open device handle");
        case Win32WriteLocks::Outcome::NotHeld:
            return FailWith("this handle holds no write lock");
        case Win32WriteLocks::Outcome::OtherThread:
            return FailWith("a write lock is let go on the thread that took it");
        case Win32WriteLocks::Outcome::SystemError:
            break;
        }
        return Result(FALSE);
    }
    // 1 for success; on failure keeps GetLastError's code and returns 0.
    std::int32_t Result(BOOL ok) {
        if (ok)
            return 1;
        KeepLastError();
        return 0;
    }
    // Keeps GetLastError's code when `handle` is the failure value a call returned.
    Handle Opened(HANDLE handle, HANDLE failureValue) {
        if (handle == failureValue)
            KeepLastError();
        return FromHandle(handle);
    }

    bool failed_ = false;
    DWORD lastError_ = 0;
    const char* lastText_ = nullptr; // the backend's own words, instead of the code's message
    SystemFailure::Kind lastTextKind_ = SystemFailure::Kind::Failed;
    char capsStatus_[48] = {};
    Win32WriteLocks writeLocks_;
};

} // namespace

std::unique_ptr<HidApi> MakePlatformHidApi() {
    return std::make_unique<Win32HidApi>();
}

std::string_view PlatformBackendName() {
    return "win32";
}

} // namespace tensilo::device
