// Where sysfs describes a hidraw node, and the reads the backend makes there. Every function
// takes the sysfs root, so that tests can point it at a tree of plain files and symlinks laid out
// as the kernel lays out its own:
//
//   <root>/class/hidraw/hidrawN -> ../../devices/.../<HID device>/hidraw/hidrawN
//   <root>/class/hidraw/hidrawN/device -> the HID device (uevent, report_descriptor)
//   the HID device's parent: the USB interface; its parent: the USB device (idVendor,
//   bcdDevice, serial, manufacturer, product)
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tensilo::device::hidraw {

// The number N of a kernel name "hidrawN", or nothing for any other name.
std::optional<unsigned> HidrawNumber(std::string_view name);

// The names of the hidraw class's nodes in the numeric order of N ("hidraw2" before
// "hidraw10"). Empty when the class is absent, as when no hidraw driver is loaded.
std::vector<std::string> ListHidrawNodes(const std::filesystem::path& sysRoot);

// The kernel name of the hidraw node with a character device's major and minor number, found
// through <root>/dev/char/MAJOR:MINOR; nothing when that is no hidraw node.
std::optional<std::string> HidrawNodeOfDevice(const std::filesystem::path& sysRoot, unsigned major,
                                              unsigned minor);

struct NodeSysfs {
    std::filesystem::path HidDevice;
    // Empty when the HID device is not on USB (Bluetooth, I2C, virtual).
    std::filesystem::path UsbDevice;
};

// The sysfs folders of a hidraw node, or nothing when the class has no such node.
std::optional<NodeSysfs> LocateNode(const std::filesystem::path& sysRoot, std::string_view nodeName);

// The vendor and product of a HID device, as its uevent's HID_ID tells them.
struct HidId {
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
};

// HID_ID is BUS:VENDOR:PRODUCT in hex, "0003:00001209:00007E51" for a board on USB; nothing for
// any other text.
std::optional<HidId> ParseHidId(std::string_view text);

// Vendor and product from a HID device's name in sysfs, "0003:1209:7E51.0004" (bus, vendor,
// product, instance, in hex); nothing for any other name.
std::optional<HidId> ParseHidDeviceName(std::string_view name);

// The vendor and product of the HID device behind the hidraw node `nodeName`, without opening the
// node: from the name of the device that <root>/class/hidraw/<nodeName>/device links to, or else
// from that device's uevent (HID_ID); nothing when the class has no such node or neither tells.
std::optional<HidId> HidIdOfNode(const std::filesystem::path& sysRoot, std::string_view nodeName);

// The whole content of a file, at most `limit` bytes; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& file,
                                                       std::size_t limit);

// A sysfs text attribute without the newline the kernel ends it with.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);

// The value of `key` in a device's uevent file (lines KEY=value).
std::optional<std::string> UeventValue(const std::filesystem::path& device, std::string_view key);

// A hexadecimal number at the start of `text` (bcdDevice "0103", the bus of HID_ID "0003:...").
std::optional<std::uint32_t> ParseHex(std::string_view text);

} // namespace tensilo::device::hidraw
