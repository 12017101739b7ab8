#include "fake_sysfs.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace tensilo::device::test {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

fs::path UsbDevice(const fs::path& sys, const std::string& name, std::uint16_t vendor,
                   std::uint16_t product) {
    const fs::path folder = sys / "devices/pci0000:00/0000:00:14.0/usb1" / name;
    fs::create_directories(folder);
    Write(folder / "idVendor", Hex(vendor, 4) + "\n");
    Write(folder / "idProduct", Hex(product, 4) + "\n");
    return folder;
}

} // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "tensilo-hidraw-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directories(Sys() / "class/hidraw");
    fs::create_directories(Dev());
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

fs::path FakeSysfs::Add(const FakeHidDevice& device, bool plainNode) {
    const std::string port = "1-" + std::to_string(device.Node + 1);
    fs::path parent; // the folder the HID device sits in
    if (device.Bus == kBusUsb) {
        const fs::path usb = UsbDevice(Sys(), port, device.VendorId, device.ProductId);
        const auto attribute = [&](const char* name, const std::optional<std::string>& value) {
            if (value)
                Write(usb / name, *value + "\n");
        };
        attribute("serial", device.Serial);
        attribute("manufacturer", device.Manufacturer);
        attribute("product", device.Product);
        attribute("bcdDevice", device.BcdDevice);
        parent = usb / (port + ":1.0");
    } else if (device.Bus == kBusBluetooth) {
        const fs::path radio = UsbDevice(Sys(), port, 0x8087, 0x0A2B);
        Write(radio / "serial", "RADIO-SERIAL\n");
        Write(radio / "manufacturer", "Radio Maker\n");
        Write(radio / "product", "Radio\n");
        Write(radio / "bcdDevice", "0999\n");
        parent = radio / (port + ":1.0/bluetooth/hci0/hci0:256");
    } else {
        parent = Sys() / "devices/platform/i2c-1" / ("i2c-DEV" + std::to_string(device.Node));
    }
    const fs::path hid = parent / (Hex(device.Bus, 4) + ":" + Hex(device.VendorId, 4) + ":" +
                                   Hex(device.ProductId, 4) + "." + Hex(device.Node + 1, 4));
    const std::string name = "hidraw" + std::to_string(device.Node);
    const fs::path node = hid / "hidraw" / name;
    fs::create_directories(node);
    Write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=" + Hex(device.Bus, 4) + ":" +
                              Hex(device.VendorId, 8) + ":" + Hex(device.ProductId, 8) +
                              "\nHID_NAME=Fake device\nHID_UNIQ=" + device.Uniq + "\n");
    Write(hid / "report_descriptor",
          std::string(device.Descriptor.begin(), device.Descriptor.end()));
    Write(node / "dev", "243:" + std::to_string(device.Node) + "\n");
    // As the kernel links it: up to the HID device's parent, then the device by its name.
    fs::create_directory_symlink("../../../" + hid.filename().string(), node / "device");
    fs::create_directory_symlink(node, Sys() / "class/hidraw" / name);
    if (plainNode)
        Write(Dev() / name, "");
    return node;
}

void FakeSysfs::Remove(unsigned node) {
    const std::string name = "hidraw" + std::to_string(node);
    std::error_code ignored;
    const fs::path hid = fs::canonical(Sys() / "class/hidraw" / name / "device", ignored);
    fs::remove(Sys() / "class/hidraw" / name, ignored);
    if (!hid.empty())
        fs::remove_all(hid, ignored);
    fs::remove_all(Sys() / "devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + std::to_string(node + 1)),
                   ignored);
    fs::remove(Dev() / name, ignored);
}

} // namespace tensilo::device::test
