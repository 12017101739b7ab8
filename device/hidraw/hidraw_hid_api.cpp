#include "device/hidraw/hidraw_hid_api.h"

#include "device/detail_record.h"
#include "device/hidraw/report_descriptor.h"
#include "protocol/unicode_text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace tensilo::device {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSpintActive = 0x1;
constexpr std::int32_t kHidpStatusInvalidPreparsedData = static_cast<std::int32_t>(0xC0110001u);

// The size field of the feature-report ioctls has 14 bits; hidraw's own limit (16384) is one
// byte more, so this is the longest feature report that can be asked for.
constexpr std::size_t kMaxFeatureLength = (1u << _IOC_SIZEBITS) - 1;
// The longest report the kernel hands to hidraw (HID_MAX_BUFFER_SIZE).
constexpr std::size_t kMaxInputReport = 16384;
// Real descriptors are at most 4 KiB (HID_MAX_DESCRIPTOR_SIZE); a file beyond this is no
// descriptor.
constexpr std::size_t kMaxDescriptor = 64 * 1024;
// How often a wait for the write lock tries again: a gain's writes take a few milliseconds.
constexpr std::chrono::milliseconds kLockRetryPeriod{5};

bool SameGuid(const Guid& a, const Guid& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

std::optional<hidraw::DescriptorSummary> ReadDescriptor(const hidraw::NodeSysfs& node) {
    const auto bytes = hidraw::ReadFileBytes(node.HidDevice / "report_descriptor", kMaxDescriptor);
    if (!bytes)
        return std::nullopt;
    return hidraw::SummariseReportDescriptor(*bytes);
}

// The serial number is the USB device's; a device on another bus has at most the unique ID its
// driver gave the HID device (a Bluetooth address, for one). The kernel writes HID_UNIQ even when
// it is empty, and an empty one means the device has none.
std::optional<std::string> SerialNumberOf(const hidraw::NodeSysfs& node) {
    if (!node.UsbDevice.empty()) {
        if (auto serial = hidraw::ReadAttribute(node.UsbDevice / "serial"))
            return serial;
    }
    auto unique = hidraw::UeventValue(node.HidDevice, "HID_UNIQ");
    if (unique && !unique->empty())
        return unique;
    return std::nullopt;
}

std::optional<std::string> ManufacturerOf(const hidraw::NodeSysfs& node) {
    if (node.UsbDevice.empty())
        return std::nullopt;
    return hidraw::ReadAttribute(node.UsbDevice / "manufacturer");
}

std::optional<std::string> ProductOf(const hidraw::NodeSysfs& node) {
    if (node.UsbDevice.empty())
        return std::nullopt;
    return hidraw::ReadAttribute(node.UsbDevice / "product");
}

} // namespace

HidrawHidApi::HidrawHidApi(fs::path sysRoot, fs::path devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)),
      readScratch_(kMaxInputReport + 1) {}

HidrawHidApi::~HidrawHidApi() {
    for (auto& [value, object] : objects_) {
        if (const auto* device = std::get_if<Device>(&object))
            ::close(device->Fd);
    }
}

std::intptr_t HidrawHidApi::Insert(Object object) {
    const std::intptr_t value = nextValue_;
    nextValue_ += 4;
    objects_.emplace(value, std::move(object));
    return value;
}

std::optional<SystemFailure> HidrawHidApi::LastFailure() const {
    if (!lastFailure_)
        return std::nullopt;
    return lastFailure_->Describe();
}

std::int32_t HidrawHidApi::Fail(const char* reason, SystemFailure::Kind kind) {
    lastFailure_ = FailureRecord{kind, reason, 0, 0, 0};
    return 0;
}

std::int32_t HidrawHidApi::FailWithErrno(int error) {
    lastFailure_ = FailureRecord{error == EAGAIN ? SystemFailure::Kind::NothingWaiting
                                                 : SystemFailure::Kind::Failed,
                                 "", error, 0, 0};
    return 0;
}

std::optional<std::string> HidrawHidApi::NodeNameOfPath(const std::string& path) const {
    const fs::path node(path);
    if ((node.parent_path() / "").lexically_normal() != (devRoot_ / "").lexically_normal())
        return std::nullopt;
    std::string name = node.filename().string();
    if (!hidraw::HidrawNumber(name))
        return std::nullopt;
    return name;
}

FailureRecord HidrawHidApi::OpenRefusal(const std::string& path, int error) const {
    FailureRecord failure{SystemFailure::Kind::Failed, "", error, 0, 0};
    if (error != EACCES && error != EPERM)
        return failure;
    failure.kind = SystemFailure::Kind::AccessDenied;
    // The node may not be opened, but sysfs tells anyone whose device it is.
    if (const auto name = NodeNameOfPath(path)) {
        if (const auto id = hidraw::HidIdOfNode(sysRoot_, *name)) {
            failure.refusedVendorId = id->VendorId;
            failure.refusedProductId = id->ProductId;
        }
    }
    return failure;
}

template <typename T> std::int32_t HidrawHidApi::Release(std::intptr_t value, const char* notThat) {
    if (Find<T>(value) == nullptr)
        return Fail(notThat);
    objects_.erase(value);
    return 1;
}

void HidrawHidApi::HidD_GetHidGuid(Guid& guid) {
    guid = kHidInterfaceClassGuid;
}

Handle HidrawHidApi::SetupDiGetClassDevsA(const Guid& guid, std::uint32_t /*flags*/) {
    // Only present devices have hidraw nodes, and every node is a device interface, so the
    // flags the program passes are what this backend does anyway. Another class has no
    // interface here: its set is empty, as the class is on a machine without such devices.
    InterfaceSet set;
    if (SameGuid(guid, kHidInterfaceClassGuid)) {
        for (const std::string& name : hidraw::ListHidrawNodes(sysRoot_))
            set.Paths.push_back((devRoot_ / name).string());
    }
    return Insert(std::move(set));
}

std::int32_t HidrawHidApi::SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                                       std::uint32_t memberIndex,
                                                       InterfaceData& data) {
    const InterfaceSet* members = Find<InterfaceSet>(set);
    if (members == nullptr)
        return Fail("not an interface set");
    if (data.cbSize != sizeof(InterfaceData) || !SameGuid(guid, kHidInterfaceClassGuid))
        return Fail("the interface record's size or class is not the one asked for");
    if (memberIndex >= members->Paths.size())
        return Fail("no more interfaces in the set", SystemFailure::Kind::NoMoreItems);
    data.InterfaceClassGuid = kHidInterfaceClassGuid;
    data.Flags = kSpintActive;
    // Names the member for the detail query, counted from 1 so that a cleared record names none.
    data.Reserved = std::uintptr_t{memberIndex} + 1;
    return 1;
}

std::int32_t HidrawHidApi::SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                            std::span<std::uint8_t> detail,
                                                            std::uint32_t& requiredSize) {
    const InterfaceSet* members = Find<InterfaceSet>(set);
    if (members == nullptr || data.cbSize != sizeof(InterfaceData) || data.Reserved == 0 ||
        data.Reserved > members->Paths.size())
        return Fail("not an interface of this set");
    if (WriteDetailRecord(members->Paths[data.Reserved - 1], detail, requiredSize) == 0)
        return Fail("the detail buffer is too small or its header is wrong");
    return 1;
}

std::int32_t HidrawHidApi::GetInterfaceIds(Handle set, const InterfaceData& data,
                                           const std::string& path, InterfaceIds& ids) {
    if (Find<InterfaceSet>(set) == nullptr || data.Reserved == 0)
        return Fail("not an interface of this set");
    // The HID device's uevent in sysfs, which anyone may read; the node itself stays closed.
    const auto name = NodeNameOfPath(path);
    const auto id = name ? hidraw::HidIdOfNode(sysRoot_, *name) : std::nullopt;
    if (!id)
        return Fail("sysfs tells no vendor and product for this node");
    ids.VendorID = id->VendorId;
    ids.ProductID = id->ProductId;
    return 1;
}

std::int32_t HidrawHidApi::SetupDiDestroyDeviceInfoList(Handle set) {
    return Release<InterfaceSet>(set, "not an interface set");
}

std::optional<std::string> HidrawHidApi::NodeNameOfOpenFile(const std::string& path, int fd) const {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    // A real node is known by its device number, whatever name or link it was opened through.
    if (S_ISCHR(status.st_mode)) {
        if (auto name = hidraw::HidrawNodeOfDevice(sysRoot_, major(status.st_rdev),
                                                   minor(status.st_rdev)))
            return name;
    }
    // Otherwise the file must be named as a node in the device folder: that is how plain files
    // and fake file systems stand in for nodes in tests.
    return NodeNameOfPath(path);
}

Handle HidrawHidApi::CreateFileA(const std::string& path, std::uint32_t access,
                                 std::uint32_t /*share*/, const SecurityAttributes& /*security*/,
                                 std::uint32_t disposition, std::uint32_t /*flags*/) {
    // Only existing nodes are opened; nothing is ever created in the device folder.
    if (disposition != kOpenExisting || path.empty()) {
        Fail("only an existing device can be opened");
        return kInvalidHandle;
    }
    int mode = O_RDONLY;
    if ((access & kGenericRead) != 0 && (access & kGenericWrite) != 0)
        mode = O_RDWR;
    else if ((access & kGenericWrite) != 0)
        mode = O_WRONLY;
    // Every handle is non-blocking, the overlapped one and the synchronous one alike: reads must
    // never wait, and hidraw's feature requests do not depend on the flag.
    const int fd = ::open(path.c_str(), mode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        lastFailure_ = OpenRefusal(path, error);
        return kInvalidHandle;
    }

    const auto name = NodeNameOfOpenFile(path, fd);
    auto sysfs = name ? hidraw::LocateNode(sysRoot_, *name) : std::nullopt;
    if (!sysfs) {
        ::close(fd); // not a HID device this backend can describe
        Fail("not a hidraw node with a HID device in sysfs");
        return kInvalidHandle;
    }
    Device device;
    device.Fd = fd;
    device.Sysfs = std::move(*sysfs);
    // Without a readable descriptor, reads frame reports as unnumbered, the usual case.
    const auto descriptor = ReadDescriptor(device.Sysfs);
    device.NumberedReports = descriptor && descriptor->NumberedReports;

    return Insert(std::move(device));
}

std::int32_t HidrawHidApi::HidD_GetAttributes(Handle device, Attributes& attributes) {
    const Device* open = Find<Device>(device);
    if (open == nullptr)
        return Fail("not an open device handle");
    hidraw_devinfo info{};
    if (::ioctl(open->Fd, HIDIOCGRAWINFO, &info) < 0)
        return FailWithErrno(errno);
    // The node knows vendor and product; the version is the USB device's release number, and
    // a device elsewhere than on USB has none to tell.
    std::uint16_t version = 0;
    if (!open->Sysfs.UsbDevice.empty()) {
        if (const auto bcd = hidraw::ReadAttribute(open->Sysfs.UsbDevice / "bcdDevice")) {
            if (const auto value = hidraw::ParseHex(*bcd))
                version = static_cast<std::uint16_t>(*value & 0xFFFF);
        }
    }
    attributes.Size = kAttributesSize;
    attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
    attributes.ProductID = static_cast<std::uint16_t>(info.product);
    attributes.VersionNumber = version;
    return 1;
}

std::int32_t HidrawHidApi::GetString(Handle device, std::span<std::uint8_t> buffer,
                                     std::optional<std::string> (*lookup)(const hidraw::NodeSysfs&),
                                     const char* missing) {
    const Device* open = Find<Device>(device);
    if (open == nullptr)
        return Fail("not an open device handle");
    if (buffer.size() < 2)
        return Fail("the buffer has no room for a character");
    const auto text = lookup(open->Sysfs);
    if (!text)
        return Fail(missing);
    protocol::WriteUtf16Le(protocol::Utf8ToUtf16(*text), buffer);
    return 1;
}

std::int32_t HidrawHidApi::HidD_GetSerialNumberString(Handle device, std::span<std::uint8_t> buffer) {
    return GetString(device, buffer, &SerialNumberOf, "the device tells no serial number string");
}

std::int32_t HidrawHidApi::HidD_GetManufacturerString(Handle device, std::span<std::uint8_t> buffer) {
    return GetString(device, buffer, &ManufacturerOf, "the device tells no manufacturer string");
}

std::int32_t HidrawHidApi::HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) {
    return GetString(device, buffer, &ProductOf, "the device tells no product string");
}

std::int32_t HidrawHidApi::HidD_GetPreparsedData(Handle device, PreparsedData& data) {
    const Device* open = Find<Device>(device);
    if (open == nullptr)
        return Fail("not an open device handle");
    const auto summary = ReadDescriptor(open->Sysfs);
    if (!summary)
        return Fail("the report descriptor cannot be read from sysfs");
    if (summary->Fault != hidraw::DescriptorFault::None)
        return Fail("the report descriptor is malformed");
    data = Insert(Preparsed{*summary});
    return 1;
}

std::int32_t HidrawHidApi::HidP_GetCaps(PreparsedData data, HidCaps& caps) {
    const Preparsed* preparsed = Find<Preparsed>(data);
    if (preparsed == nullptr) {
        Fail("not preparsed data");
        return kHidpStatusInvalidPreparsedData;
    }
    // The button and value counts stay 0: nothing in the program reads them.
    caps = HidCaps{};
    const hidraw::DescriptorSummary& summary = preparsed->Summary;
    caps.UsagePage = summary.UsagePage;
    caps.Usage = summary.Usage;
    caps.InputReportByteLength = summary.InputReportByteLength;
    caps.OutputReportByteLength = summary.OutputReportByteLength;
    caps.FeatureReportByteLength = summary.FeatureReportByteLength;
    caps.NumberLinkCollectionNodes = summary.CollectionCount;
    return kHidpStatusSuccess;
}

std::int32_t HidrawHidApi::HidD_FreePreparsedData(PreparsedData data) {
    return Release<Preparsed>(data, "not preparsed data");
}

const HidrawHidApi::Device* HidrawHidApi::FeatureDevice(Handle device, std::size_t length) {
    const Device* open = Find<Device>(device);
    if (open == nullptr)
        Fail("not an open device handle");
    else if (length == 0 || length > kMaxFeatureLength)
        Fail("no feature report has that length");
    else
        return open;
    return nullptr;
}

std::int32_t HidrawHidApi::HidD_GetFeature(Handle device, std::span<std::uint8_t> report) {
    const Device* open = FeatureDevice(device, report.size());
    if (open == nullptr)
        return 0;
    // Byte 0 names the report and stays in place; the report's data follows it, also for a
    // device without numbered reports, where byte 0 is 0.
    return ::ioctl(open->Fd, HIDIOCGFEATURE(report.size()), report.data()) < 0 ? FailWithErrno(errno)
                                                                              : 1;
}

std::int32_t HidrawHidApi::HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) {
    const Device* open = FeatureDevice(device, report.size());
    if (open == nullptr)
        return 0;
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    return ::ioctl(open->Fd, HIDIOCSFEATURE(copy.size()), copy.data()) < 0 ? FailWithErrno(errno) : 1;
}

Handle HidrawHidApi::CreateEventA(const SecurityAttributes& /*security*/, bool /*manualReset*/,
                                  bool /*initialState*/) {
    // Reads complete at once and nothing waits on the event, so it needs no kernel object.
    return Insert(Event{});
}

std::int32_t HidrawHidApi::CloseHandle(Handle handle) {
    const auto found = objects_.find(handle);
    if (found == objects_.end())
        return Fail("not an open handle");
    if (const auto* device = std::get_if<Device>(&found->second)) {
        // The descriptor is released even when close reports an error (an unplugged device).
        ::close(device->Fd);
    } else if (!std::holds_alternative<Event>(found->second)) {
        return Fail("sets and preparsed data have release calls of their own");
    }
    objects_.erase(found);
    return 1;
}

std::int32_t HidrawHidApi::TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) {
    Device* open = Find<Device>(device);
    if (open == nullptr)
        return Fail("not an open device handle");
    if (open->WriteLocked)
        return 1;
    // flock waits without a bound, or not at all: it is tried without waiting until the time is
    // up, so that a signal or a holder that never lets go cannot hold the program.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        if (::flock(open->Fd, LOCK_EX | LOCK_NB) == 0) {
            open->WriteLocked = true;
            return 1;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK)
            return FailWithErrno(error);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return Fail(kWriteLockBusyReason, SystemFailure::Kind::Busy);
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kLockRetryPeriod, deadline - now));
    }
}

std::int32_t HidrawHidApi::ReleaseWriteLock(Handle device) {
    Device* open = Find<Device>(device);
    if (open == nullptr || !open->WriteLocked)
        return Fail("this handle holds no write lock");
    open->WriteLocked = false;
    return ::flock(open->Fd, LOCK_UN) == 0 ? 1 : FailWithErrno(errno);
}

} // namespace tensilo::device
