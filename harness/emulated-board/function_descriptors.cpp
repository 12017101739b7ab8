#include "harness/emulated-board/function_descriptors.h"

#include <linux/usb/functionfs.h>

namespace tensilo::emulated {

namespace {

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void SetLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Interface, HID class descriptor, endpoint: the set for one speed. bInterval counts frames
// at full speed (1 ms each) and is an exponent of 125 us microframes at high speed.
void PutSpeedSet(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> hid,
                 std::uint8_t interval) {
    const std::uint8_t interfaceDescriptor[] = {9,    0x04, // interface
                                                0,          // number, mapped by FunctionFS
                                                0,          // alternate setting
                                                1,          // one endpoint
                                                0x03, 0x00, 0x00, // HID, no boot subclass
                                                0};               // no string
    const std::uint8_t endpointDescriptor[] = {7,    0x05, // endpoint
                                               0x81,       // IN, endpoint 1 (file ep1)
                                               0x03,       // interrupt
                                               kInterruptPacketSize & 0xFF, kInterruptPacketSize >> 8,
                                               interval};
    out.insert(out.end(), std::begin(interfaceDescriptor), std::end(interfaceDescriptor));
    out.insert(out.end(), hid.begin(), hid.end());
    out.insert(out.end(), std::begin(endpointDescriptor), std::end(endpointDescriptor));
}

} // namespace

std::vector<std::uint8_t> FunctionDescriptors(std::span<const std::uint8_t> hidDescriptor) {
    std::vector<std::uint8_t> out;
    PutLe32(out, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    PutLe32(out, 0); // length, set below
    PutLe32(out, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    PutLe32(out, 3); // full-speed descriptors
    PutLe32(out, 3); // high-speed descriptors
    PutSpeedSet(out, hidDescriptor, 1);
    PutSpeedSet(out, hidDescriptor, 4);
    SetLe32(out, 4, static_cast<std::uint32_t>(out.size()));
    return out;
}

std::vector<std::uint8_t> FunctionStrings() {
    std::vector<std::uint8_t> out;
    PutLe32(out, FUNCTIONFS_STRINGS_MAGIC);
    PutLe32(out, 16); // length of the whole blob
    PutLe32(out, 0);  // strings
    PutLe32(out, 0);  // languages
    return out;
}

} // namespace tensilo::emulated
