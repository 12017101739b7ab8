// A sysfs tree and a device folder in a temporary folder, laid out as the kernel lays out the
// hidraw class, with plain files for the attributes and for the nodes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::device::test {

inline constexpr std::uint16_t kBusUsb = 0x0003;
inline constexpr std::uint16_t kBusBluetooth = 0x0005;
inline constexpr std::uint16_t kBusI2c = 0x0018;

struct FakeHidDevice {
    unsigned Node = 0; // hidrawN
    std::uint16_t Bus = kBusUsb;
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::vector<std::uint8_t> Descriptor;
    std::string Uniq; // HID_UNIQ of the HID device's uevent
    // Attributes of the USB device, each written only when set; used on USB only.
    std::optional<std::string> Serial, Manufacturer, Product, BcdDevice;
};

class FakeSysfs {
public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    std::filesystem::path Root() const { return root_; }
    std::filesystem::path Sys() const { return root_ / "sys"; }
    std::filesystem::path Dev() const { return root_ / "dev"; }

    // Adds the device's folders and its class entry, and an empty file as its node in Dev()
    // unless `plainNode` is false. A Bluetooth device is put below a USB radio adapter with
    // serial number, strings and version of its own, as on a real machine. Returns the folder
    // of the hidraw node (.../<HID device>/hidraw/hidrawN).
    std::filesystem::path Add(const FakeHidDevice& device, bool plainNode = true);
    // What an unplug takes away: the class entry, every folder Add made and the node.
    void Remove(unsigned node);

private:
    std::filesystem::path root_;
};

} // namespace tensilo::device::test
