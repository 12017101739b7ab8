// The HID platform interface: every operation the program calls on the system's HID, device-setup
// and kernel services, one virtual function each, named after the Windows function it stands for.
// The Win32 backend forwards each to that function; the hidraw backend and the simulated boards
// reproduce what the program relies on.
//
// Conventions shared by every operation:
// - Handles are opaque integers. 0 is "no handle"; kInvalidHandle (-1) is what a failed open or a
//   failed class-device query returns, as INVALID_HANDLE_VALUE does on Windows.
// - Each result is a signed 32-bit value, non-zero for success, so that the caller can keep it in
//   the window state's LastResult unchanged. HidP_GetCaps is the one exception: it answers
//   kHidpStatusSuccess on success.
// - Buffers are passed as spans; the span's size is the length the Windows call would be given, and
//   no operation reads or writes outside it.
// - No operation throws or keeps a reference to a buffer after it returns, and none blocks for
//   long, except ReadFileWithTimeout, ReadFilesWithTimeout and TakeWriteLock, which wait for at
//   most the time they are given.
// - A call that fails leaves its reason for LastFailure, in the backends that talk to a system.
#pragma once

#include "device/system_failure.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tensilo::device {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = 0;
inline constexpr Handle kInvalidHandle = -1;

// True for a value that names an object: neither "no handle" nor the failure value.
constexpr bool IsOpenHandle(Handle handle) {
    return handle != kNoHandle && handle != kInvalidHandle;
}

// HID preparsed data, as HidD_GetPreparsedData hands it out; opaque like a handle.
using PreparsedData = std::intptr_t;

struct Guid {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};
};

// GUID_DEVINTERFACE_HID, {4D1E55B2-F16F-11CF-88CB-001111000030}: the interface class of every HID
// interface, as HidD_GetHidGuid hands it out.
inline constexpr Guid kHidInterfaceClassGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// SP_DEVICE_INTERFACE_DATA, laid out as on the host (32 bytes on 64-bit Windows, 28 on 32-bit).
struct InterfaceData {
    std::uint32_t cbSize = 0;
    Guid InterfaceClassGuid;
    std::uint32_t Flags = 0;
    std::uintptr_t Reserved = 0;
};

// The size field of SP_DEVICE_INTERFACE_DETAIL_DATA_A: the size of its fixed part, a 32-bit size
// followed by one character, padded as the host pads it (8 on 64-bit Windows, 5 on 32-bit). The
// device path always starts at byte 4 of the detail record.
inline constexpr std::uint32_t kDetailHeaderSize = sizeof(void*) == 8 ? 8 : 5;
inline constexpr std::size_t kDetailPathOffset = 4;

// The USB vendor and product IDs the system records for an interface, read without opening it.
struct InterfaceIds {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
};

// HIDD_ATTRIBUTES.
struct Attributes {
    std::uint32_t Size = 0; // the caller sets it to 12 before every query
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};
inline constexpr std::uint32_t kAttributesSize = 12;

// HIDP_CAPS, member for member.
struct HidCaps {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
    std::uint16_t Reserved[17] = {};
    std::uint16_t NumberLinkCollectionNodes = 0;
    std::uint16_t NumberInputButtonCaps = 0;
    std::uint16_t NumberInputValueCaps = 0;
    std::uint16_t NumberInputDataIndices = 0;
    std::uint16_t NumberOutputButtonCaps = 0;
    std::uint16_t NumberOutputValueCaps = 0;
    std::uint16_t NumberOutputDataIndices = 0;
    std::uint16_t NumberFeatureButtonCaps = 0;
    std::uint16_t NumberFeatureValueCaps = 0;
    std::uint16_t NumberFeatureDataIndices = 0;
};
inline constexpr std::int32_t kHidpStatusSuccess = 0x00110000;

// SECURITY_ATTRIBUTES without a security descriptor (the program never passes one).
struct SecurityAttributes {
    std::uint32_t nLength = 0;
    bool bInheritHandle = false;
};

// OVERLAPPED, as the program holds it: the record passed with every input-report read.
struct Overlapped {
    std::uint32_t Internal = 0;
    std::uint32_t InternalHigh = 0;
    std::uint32_t Offset = 0;
    std::uint32_t OffsetHigh = 0;
    Handle hEvent = kNoHandle;
};

// One device's part in a wait over several devices' input reports (ReadFilesWithTimeout): the
// caller fills the first three members, the wait the last two.
struct InputRead {
    Handle device = kNoHandle;        // open with kFileFlagOverlapped
    std::span<std::uint8_t> buffer;   // as ReadFile's buffer
    Overlapped* overlapped = nullptr; // the device's record, with its own event; may be null
    std::uint32_t bytesRead = 0;      // as ReadFile's bytesRead
    std::int32_t result = 0;          // as ReadFile's result: 0 for a device gone or failed
};

// The most requests one wait takes: Windows waits on at most 64 objects at once.
inline constexpr std::size_t kMaxInputReads = 64;

// Clears every request's outcome, as each backend does before anything else; false when there are
// more requests than one wait takes.
inline bool ClearInputReads(std::span<InputRead> reads) {
    for (InputRead& read : reads) {
        read.bytesRead = 0;
        read.result = 0;
    }
    return reads.size() <= kMaxInputReads;
}

// Flags and values the program passes, with their Windows values.
inline constexpr std::uint32_t kDigcfPresent = 0x02;
inline constexpr std::uint32_t kDigcfDeviceInterface = 0x10;
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000u;

class HidApi {
public:
    virtual ~HidApi() = default;

    // Fills `guid` with the HID interface class GUID. Cannot fail.
    virtual void HidD_GetHidGuid(Guid& guid) = 0;

    // Snapshot of the interfaces of class `guid` present now (the program passes
    // kDigcfPresent | kDigcfDeviceInterface, no enumerator, no window). Returns the set's handle,
    // or kInvalidHandle on failure. A set that was returned must be released with
    // SetupDiDestroyDeviceInfoList once.
    virtual Handle SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) = 0;

    // Fills `data` with the interface at `memberIndex` (from 0) of `set`. The caller sets
    // data.cbSize to sizeof(InterfaceData) first; any other size is refused. Returns 0 when no
    // interface has that index (the walk's end) or on any failure.
    virtual std::int32_t SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                                     std::uint32_t memberIndex,
                                                     InterfaceData& data) = 0;

    // With an empty `detail`: stores in `requiredSize` the bytes the detail record needs and
    // returns 0 (as Windows does, the size query "fails" with insufficient buffer). With a buffer
    // whose bytes 0 to 3 hold kDetailHeaderSize: writes the record, the zero-terminated ANSI device
    // path from byte kDetailPathOffset, and returns non-zero; returns 0 if the buffer is too small
    // or the header is wrong, and then the buffer's content is unspecified but never overrun.
    virtual std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                          std::span<std::uint8_t> detail,
                                                          std::uint32_t& requiredSize) = 0;

    // The vendor and product of the interface `data` of `set`, whose device path is `path`, as the
    // system records them, read without opening the interface: no Windows function of its own, but
    // what setupapi tells of the device behind the interface (its hardware IDs), or failing that
    // what its path tells. Non-zero when the system told them; 0 when it cannot say (another bus,
    // a record that does not parse), and then `ids` keeps what it held and the interface must be
    // opened to learn them. Touches no device: a walk asks this of every interface, so that only
    // the product's interfaces, and those the system cannot tell, are ever opened.
    virtual std::int32_t GetInterfaceIds(Handle set, const InterfaceData& data,
                                         const std::string& path, InterfaceIds& ids) = 0;

    // Releases a set from SetupDiGetClassDevsA. Non-zero on success.
    virtual std::int32_t SetupDiDestroyDeviceInfoList(Handle set) = 0;

    // Opens the device at `path`. The program passes kGenericRead | kGenericWrite, kFileShareRead
    // | kFileShareWrite, kOpenExisting, and flags 0 (synchronous access, for feature reports,
    // attributes and strings) or kFileFlagOverlapped (for input-report reads). Returns the handle,
    // or kInvalidHandle when the device refuses the open; a returned handle must be closed once
    // with CloseHandle.
    virtual Handle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                               const SecurityAttributes& security, std::uint32_t disposition,
                               std::uint32_t flags) = 0;

    // Reads vendor, product and version of an open device. The caller sets attributes.Size to
    // kAttributesSize. Non-zero on success; on failure `attributes` keeps what it held.
    virtual std::int32_t HidD_GetAttributes(Handle device, Attributes& attributes) = 0;

    // String requests: write the device's string as UTF-16LE into `buffer` (the program offers
    // 100 bytes), zero-terminated when there is room, never more than buffer.size() bytes.
    // Non-zero on success; 0 when the device has no such string or the call fails.
    virtual std::int32_t HidD_GetSerialNumberString(Handle device,
                                                    std::span<std::uint8_t> buffer) = 0;
    virtual std::int32_t HidD_GetManufacturerString(Handle device,
                                                    std::span<std::uint8_t> buffer) = 0;
    virtual std::int32_t HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) = 0;

    // Obtains the device's preparsed data into `data`. Non-zero on success; on failure `data` is
    // left as it was and nothing may be released.
    virtual std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& data) = 0;

    // Reads the capabilities from preparsed data obtained above. kHidpStatusSuccess on success;
    // on failure `caps` is left as it was.
    virtual std::int32_t HidP_GetCaps(PreparsedData data, HidCaps& caps) = 0;

    // Releases preparsed data obtained above, once. Non-zero on success.
    virtual std::int32_t HidD_FreePreparsedData(PreparsedData data) = 0;

    // Feature reports, on the synchronous handle. `report` is exactly FeatureReportByteLength
    // bytes with the report ID in byte 0. GetFeature fills the whole buffer with the report whose
    // ID stands in byte 0; SetFeature sends the buffer as it is. Non-zero on success.
    virtual std::int32_t HidD_GetFeature(Handle device, std::span<std::uint8_t> report) = 0;
    virtual std::int32_t HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) = 0;

    // Creates an unnamed event (the program asks for manual reset, initially signalled). Returns
    // its handle, or kNoHandle on failure. The program never closes it.
    virtual Handle CreateEventA(const SecurityAttributes& security, bool manualReset,
                                bool initialState) = 0;

    // Reads input reports on the overlapped handle, never waiting for one. When reports are
    // waiting, copies as many whole reports as fit into `buffer` (the program asks for 1000
    // bytes), each with its report-ID byte first (0 when the device numbers none), end to end;
    // stores their total length in `bytesRead` and returns non-zero. A read may also succeed with
    // 0 bytes. With no report waiting, or when the device is gone, returns 0 with `bytesRead` 0;
    // such a read leaves nothing pending, so the caller may release `buffer` and re-arm
    // `overlapped` at once. `bytesRead` never exceeds buffer.size().
    virtual std::int32_t ReadFile(Handle device, std::span<std::uint8_t> buffer,
                                  std::uint32_t& bytesRead, Overlapped& overlapped) = 0;

    // Reads input reports on the overlapped handle as ReadFile does, but when none is waiting it
    // waits up to `timeoutMilliseconds` for one to arrive (0: it does not wait). Returns non-zero
    // when the wait ended without a fault: with the whole reports that were waiting or arrived,
    // copied and framed as ReadFile copies them, or with `bytesRead` 0 when none came within the
    // time or a signal to the process ended the wait early (so that a program told to stop is
    // not held up). Returns 0, with `bytesRead` 0, when the device is gone or the read failed:
    // the result alone tells a board that sent nothing from a board that was lost. Like ReadFile
    // it leaves nothing pending when it returns, so the caller may release `buffer` and re-arm
    // `overlapped` at once; `bytesRead` never exceeds buffer.size(). It is the wait over several
    // devices (ReadFilesWithTimeout) with one request, which is what every backend does.
    virtual std::int32_t ReadFileWithTimeout(Handle device, std::span<std::uint8_t> buffer,
                                             std::uint32_t& bytesRead, Overlapped& overlapped,
                                             std::uint32_t timeoutMilliseconds) {
        InputRead read{device, buffer, &overlapped, 0, 0};
        ReadFilesWithTimeout(std::span(&read, 1), timeoutMilliseconds);
        bytesRead = read.bytesRead;
        return read.result;
    }

    // Waits up to `timeoutMilliseconds` for an input report on any of the devices of `reads` (0:
    // it does not wait), then fills every request with what a ReadFile of its device would give at
    // that moment: non-zero `result` with the whole reports waiting, copied and framed as ReadFile
    // copies them (`bytesRead` 0 when none came), or `result` 0 with `bytesRead` 0 for a device
    // that is gone or whose read failed. A device that has something to tell, reports or its own
    // loss, ends the wait, and so does a signal to the process, as in ReadFileWithTimeout; the
    // requests are filled in their order. Each device is named once, with a record of its own:
    // `overlapped` is the record passed with the device's reads, and on Windows each
    // request's event (hEvent) is what the wait waits on, so each device needs an event of its
    // own (without one, the wait waits on the handle itself). Returns non-zero when every request
    // was served; 0 when there are more than kMaxInputReads requests (none is read) or when the
    // system failed the wait itself (every request that brought no report then holds 0 too).
    // LastFailure tells the reason of the last request that failed, or the wait's. Like ReadFile
    // it leaves nothing pending when it returns, so the caller may release the buffers and re-arm
    // the records at once.
    virtual std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                              std::uint32_t timeoutMilliseconds) = 0;

    // Closes a handle from CreateFileA, or the event from CreateEventA. Non-zero on success; 0 for
    // a value that is not an open handle. Closing succeeds also for a device that has been
    // unplugged, and lets go of the write lock the handle holds.
    virtual std::int32_t CloseHandle(Handle handle) = 0;

    // The board's write lock: one lock per device, shared by every program that opens it, so that
    // the register writes of a gain, made by one program, are never interleaved with another's.
    // Takes it on the open device handle `device`, waiting up to `timeoutMilliseconds` for another
    // holder (another program, or another handle of this one) to let it go. Non-zero when the
    // handle holds it; taking it again on the handle that holds it succeeds at once and changes
    // nothing. 0 when it stayed held elsewhere for the whole wait (LastFailure: Kind::Busy), for
    // a value that is no open device handle, or when the system fails the call. Only the caller's
    // thread waits. Locks are advisory: a program that writes without asking is not stopped. No
    // Windows function of its own: flock on the hidraw node on Linux, a named mutex on Windows.
    virtual std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) = 0;

    // Lets go of the write lock that `device` holds, on the thread that took it (a Windows mutex
    // belongs to its thread). Non-zero on success; 0 when the handle holds no lock. Closing the
    // handle lets go of it too, and so does the end of the program.
    virtual std::int32_t ReleaseWriteLock(Handle device) = 0;

    // The reason for the last call that failed, as the system gave it; none before any call failed,
    // and none from a backend that keeps no reasons (its callers then say "no reason given").
    virtual std::optional<SystemFailure> LastFailure() const { return std::nullopt; }
};

} // namespace tensilo::device
