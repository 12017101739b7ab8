#include "device/hidraw/report_descriptor.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace tensilo::device::hidraw {

namespace {

// The prefix byte of a short item: data size in bits 0-1 (3 meaning four bytes), type in bits
// 2-3, tag in bits 4-7.
constexpr unsigned kTypeMain = 0;
constexpr unsigned kTypeGlobal = 1;
constexpr unsigned kTypeLocal = 2;

constexpr unsigned kTagInput = 8;
constexpr unsigned kTagOutput = 9;
constexpr unsigned kTagCollection = 10;
constexpr unsigned kTagFeature = 11;
constexpr unsigned kTagEndCollection = 12;

constexpr unsigned kTagUsagePage = 0;
constexpr unsigned kTagReportSize = 7;
constexpr unsigned kTagReportId = 8;
constexpr unsigned kTagReportCount = 9;
constexpr unsigned kTagPush = 10;
constexpr unsigned kTagPop = 11;

constexpr unsigned kTagUsage = 0;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

// The kernel's parser keeps four pushed global states; a device needing more never gets a
// hidraw node, so no real descriptor goes deeper.
constexpr std::size_t kGlobalStackDepth = 4;

// A report's data bytes plus its ID byte must fit the 16-bit lengths of the capabilities.
constexpr std::uint64_t kMaxReportBits = (0xFFFFu - 1u) * 8u;

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0; // 0 while the descriptor has named no report ID
};

enum ReportType : std::size_t { kInput, kOutput, kFeature, kReportTypes };

std::uint16_t ByteLength(const std::array<std::uint64_t, 256>& bitsById, bool present) {
    if (!present)
        return 0;
    const std::uint64_t longest = *std::max_element(bitsById.begin(), bitsById.end());
    const std::uint64_t bytes = (longest + 7) / 8 + 1;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 0xFFFF));
}

} // namespace

DescriptorSummary SummariseReportDescriptor(std::span<const std::uint8_t> descriptor) noexcept {
    DescriptorSummary summary;
    const auto note = [&summary](DescriptorFault fault) {
        if (summary.Fault == DescriptorFault::None)
            summary.Fault = fault;
    };

    GlobalState global;
    std::array<GlobalState, kGlobalStackDepth> stack{};
    std::size_t stackDepth = 0;
    std::array<std::array<std::uint64_t, 256>, kReportTypes> bits{};
    std::array<bool, kReportTypes> present{};
    std::size_t collectionDepth = 0;
    bool topFound = false;
    // The first Usage since the last main item, and whether it was a 32-bit extended usage.
    bool haveUsage = false;
    std::uint32_t usage = 0;
    bool usageExtended = false;

    const std::size_t size = descriptor.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            // Prefix, data size, long tag, then the data.
            if (size - pos < 3 || size - pos - 3 < descriptor[pos + 1]) {
                note(DescriptorFault::TruncatedItem);
                break;
            }
            note(DescriptorFault::LongItem);
            pos += 3u + descriptor[pos + 1];
            continue;
        }
        const std::size_t dataSize = (prefix & 3u) == 3u ? 4u : (prefix & 3u);
        if (size - pos - 1 < dataSize) {
            note(DescriptorFault::TruncatedItem);
            break;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i)
            value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
        pos += 1 + dataSize;

        const unsigned type = (prefix >> 2) & 3u;
        const unsigned tag = prefix >> 4;
        if (type == kTypeMain) {
            std::size_t reportType = kReportTypes;
            if (tag == kTagInput)
                reportType = kInput;
            else if (tag == kTagOutput)
                reportType = kOutput;
            else if (tag == kTagFeature)
                reportType = kFeature;

            if (reportType != kReportTypes) {
                // Every main item of the type counts, constant padding included.
                present[reportType] = true;
                std::uint64_t& reportBits = bits[reportType][global.reportId];
                reportBits += std::uint64_t{global.reportSize} * global.reportCount;
                if (reportBits > kMaxReportBits) {
                    note(DescriptorFault::ReportTooLong);
                    reportBits = kMaxReportBits + 8; // saturated: no overflow on later items
                }
            } else if (tag == kTagCollection) {
                if (collectionDepth == 0 && !topFound) {
                    topFound = true;
                    if (haveUsage && usageExtended) {
                        summary.UsagePage = static_cast<std::uint16_t>(usage >> 16);
                        summary.Usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                    } else if (haveUsage) {
                        summary.UsagePage = static_cast<std::uint16_t>(global.usagePage & 0xFFFF);
                        summary.Usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                    }
                }
                ++collectionDepth;
                if (summary.CollectionCount < 0xFFFF)
                    ++summary.CollectionCount;
            } else if (tag == kTagEndCollection) {
                if (collectionDepth == 0)
                    note(DescriptorFault::UnbalancedCollection);
                else
                    --collectionDepth;
            }
            // Local items apply to the next main item only.
            haveUsage = false;
        } else if (type == kTypeGlobal) {
            switch (tag) {
            case kTagUsagePage:
                global.usagePage = value;
                break;
            case kTagReportSize:
                global.reportSize = value;
                break;
            case kTagReportCount:
                global.reportCount = value;
                break;
            case kTagReportId:
                if (value == 0 || value > 255) {
                    note(DescriptorFault::InvalidReportId);
                } else {
                    global.reportId = value;
                    summary.NumberedReports = true;
                }
                break;
            case kTagPush:
                if (stackDepth == stack.size())
                    note(DescriptorFault::PushOverflow);
                else
                    stack[stackDepth++] = global;
                break;
            case kTagPop:
                if (stackDepth == 0)
                    note(DescriptorFault::PopUnderflow);
                else
                    global = stack[--stackDepth];
                break;
            default:
                break; // logical and physical ranges, units: no bearing on the lengths
            }
        } else if (type == kTypeLocal) {
            if (tag == kTagUsage && !haveUsage) {
                haveUsage = true;
                usage = value;
                usageExtended = dataSize == 4;
            }
        } else {
            note(DescriptorFault::ReservedItem);
        }
    }

    if (collectionDepth != 0)
        note(DescriptorFault::UnbalancedCollection);
    if (!topFound)
        note(DescriptorFault::NoTopCollection);
    summary.InputReportByteLength = ByteLength(bits[kInput], present[kInput]);
    summary.OutputReportByteLength = ByteLength(bits[kOutput], present[kOutput]);
    summary.FeatureReportByteLength = ByteLength(bits[kFeature], present[kFeature]);
    return summary;
}

} // namespace tensilo::device::hidraw
