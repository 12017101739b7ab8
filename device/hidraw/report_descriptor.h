// What the program needs to know of a HID report descriptor: the report lengths, counted the way
// Windows fills HIDP_CAPS, the usage of the top collection, and whether reports are numbered. A
// pure function of the descriptor bytes, so that it can be tested and fuzzed on its own.
#pragma once

#include <cstdint>
#include <span>

namespace tensilo::device::hidraw {

// The first thing found wrong with a descriptor. A descriptor with a fault describes no usable
// device: the kernel refuses to bind such a device, and so does Windows.
enum class DescriptorFault : std::uint8_t {
    None,
    TruncatedItem,        // an item's data runs past the end of the descriptor
    LongItem,             // long items are reserved; no device defines any
    ReservedItem,         // a short item of the reserved type 3
    PushOverflow,         // more nested Push items than the global stack holds
    PopUnderflow,         // a Pop without a Push
    UnbalancedCollection, // an End Collection without a collection, or one left open
    InvalidReportId,      // report ID 0 or above 255
    ReportTooLong,        // a report longer than a 16-bit byte count can give
    NoTopCollection,      // no collection at all, so nothing for an application to open
};

struct DescriptorSummary {
    // Usage page and usage of the first top-level collection.
    std::uint16_t UsagePage = 0;
    std::uint16_t Usage = 0;
    // Bytes of the longest report of each type plus one for the report-ID byte, which Windows
    // counts even when the device numbers no reports; 0 when the type has no report.
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
    std::uint16_t CollectionCount = 0;
    // True when the descriptor declares report IDs: the device then sends each report with its
    // ID in front, and without them the host has to add the 0 itself.
    bool NumberedReports = false;
    DescriptorFault Fault = DescriptorFault::None;
};

// Reads the descriptor item by item, never past its end. After a fault the items that can still
// be read safely are counted, so the lengths stay a best effort.
DescriptorSummary SummariseReportDescriptor(std::span<const std::uint8_t> descriptor) noexcept;

} // namespace tensilo::device::hidraw
