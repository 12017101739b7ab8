// The HID interface on Linux, over the kernel's hidraw nodes and what sysfs tells about them.
//
// The walk lists the hidraw class in sysfs and hands out the node in the device folder as each
// interface's path. An open handle is a hidraw file descriptor; vendor and product come from the
// node itself (HIDIOCGRAWINFO), everything the node cannot tell (version, strings, report
// descriptor) from sysfs. The sysfs root and the device folder are parameters, so that tests can
// put plain files or a fake file system in their place.
//
// Before any open, the vendor and product of a node come from its HID device's uevent in sysfs
// (HID_ID), which anyone may read: the walk opens no other product's node, and a board the user
// may not open is told apart from no board at all.
//
// Every failed call leaves its reason (errno's text, or what the backend found wrong) for
// LastFailure; an open refused for access also tells the node's vendor and product. Like every
// backend, it is used from one thread. The board's write lock is flock on the node's descriptor:
// it belongs to the open file, so every other open of the node, in this program or another, waits
// its turn, and closing the handle lets it go.
#pragma once

#include "device/hid_api.h"
#include "device/hidraw/report_descriptor.h"
#include "device/hidraw/sysfs_tree.h"
#include "device/system_failure.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tensilo::device {

class HidrawHidApi final : public HidApi {
public:
    HidrawHidApi(std::filesystem::path sysRoot, std::filesystem::path devRoot);
    ~HidrawHidApi() override;
    HidrawHidApi(const HidrawHidApi&) = delete;
    HidrawHidApi& operator=(const HidrawHidApi&) = delete;

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
    std::optional<SystemFailure> LastFailure() const override;

private:
    // A snapshot of the class's device paths, in enumeration order.
    struct InterfaceSet {
        std::vector<std::string> Paths;
    };
    struct Device {
        int Fd = -1;
        hidraw::NodeSysfs Sysfs;
        // Whether the device sends its report ID in front of each input report; when it does
        // not, reads put a 0 there, as Windows does.
        bool NumberedReports = false;
        // An input report (framed with its ID byte) taken from the node that did not fit the
        // caller's buffer; it goes first at the next read.
        std::vector<std::uint8_t> Held;
        // Whether this handle holds the board's write lock.
        bool WriteLocked = false;
    };
    struct Event {};
    // The device's parsed report descriptor stands in for Windows' preparsed data.
    struct Preparsed {
        hidraw::DescriptorSummary Summary;
    };
    using Object = std::variant<InterfaceSet, Device, Event, Preparsed>;

    std::intptr_t Insert(Object object);
    template <typename T> T* Find(std::intptr_t value) {
        const auto found = objects_.find(value);
        return found == objects_.end() ? nullptr : std::get_if<T>(&found->second);
    }
    // Releases a value handed out as a T; fails with `notThat` for any other value.
    template <typename T> std::int32_t Release(std::intptr_t value, const char* notThat);
    // The open device for a feature report of `length` bytes; nullptr, with the reason kept, for
    // a value that is no open device or a length no feature report has.
    const Device* FeatureDevice(Handle device, std::size_t length);
    std::optional<std::string> NodeNameOfOpenFile(const std::string& path, int fd) const;
    std::int32_t GetString(Handle device, std::span<std::uint8_t> buffer,
                           std::optional<std::string> (*lookup)(const hidraw::NodeSysfs&),
                           const char* missing);
    // One report from the node into the scratch space, framed with its report ID; empty when the
    // read gave nothing, with errno in `error` when it failed (EAGAIN: nothing waits).
    std::span<const std::uint8_t> ReadNodeReport(Device& open, int& error);
    // Fills one request of a wait that has ended, whose node poll found as `revents` says.
    void FillRead(InputRead& read, short revents);
    // Keep the reason for the call that is failing, and return the failure value 0.
    std::int32_t Fail(const char* reason, SystemFailure::Kind kind = SystemFailure::Kind::Failed);
    std::int32_t FailWithErrno(int error);
    // The kernel name of the node that `path` names in the device folder ("hidraw3"), or none.
    std::optional<std::string> NodeNameOfPath(const std::string& path) const;
    // The reason for an open of `path` that the system refused with `error`.
    FailureRecord OpenRefusal(const std::string& path, int error) const;

    const std::filesystem::path sysRoot_;
    const std::filesystem::path devRoot_;
    std::optional<FailureRecord> lastFailure_;
    // Every handle and preparsed-data value handed out and not yet released. Values come from
    // one counter and are never given out twice, so a stale value can only miss.
    std::map<std::intptr_t, Object> objects_;
    std::intptr_t nextValue_ = 0x1000;
    // Scratch space for one read from a node: room for the largest report the kernel passes on,
    // after one byte kept free for the report ID that an unnumbered report lacks.
    std::vector<std::uint8_t> readScratch_;
};

} // namespace tensilo::device
