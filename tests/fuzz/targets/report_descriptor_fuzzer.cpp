// The hidraw backend's report-descriptor parser, which reads what a device sends about itself.
// Input: the descriptor, in a buffer of exactly its length.
#include "fuzz_check.h"

#include "device/hidraw/report_descriptor.h"

#include <cstdint>
#include <vector>

using namespace tensilo::device::hidraw;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> descriptor(data, data + size);
    const DescriptorSummary summary = SummariseReportDescriptor(descriptor);

    // A descriptor without a fault has a top collection, and the usage comes from it.
    if (summary.Fault == DescriptorFault::None)
        FUZZ_CHECK(summary.CollectionCount >= 1);
    FUZZ_CHECK(summary.UsagePage == 0 || summary.CollectionCount >= 1);

    // The same bytes give the same summary.
    const DescriptorSummary again = SummariseReportDescriptor(descriptor);
    FUZZ_CHECK(again.InputReportByteLength == summary.InputReportByteLength &&
               again.OutputReportByteLength == summary.OutputReportByteLength &&
               again.FeatureReportByteLength == summary.FeatureReportByteLength &&
               again.CollectionCount == summary.CollectionCount &&
               again.UsagePage == summary.UsagePage && again.Usage == summary.Usage &&
               again.NumberedReports == summary.NumberedReports && again.Fault == summary.Fault);

    // Items only add: a descriptor read to its end (no item cut off) has no longer reports and
    // no more collections than the same descriptor with more items after it.
    const std::vector<std::uint8_t> front(data, data + size / 2);
    const DescriptorSummary shorter = SummariseReportDescriptor(front);
    if (shorter.Fault != DescriptorFault::TruncatedItem) {
        FUZZ_CHECK(shorter.InputReportByteLength <= summary.InputReportByteLength);
        FUZZ_CHECK(shorter.OutputReportByteLength <= summary.OutputReportByteLength);
        FUZZ_CHECK(shorter.FeatureReportByteLength <= summary.FeatureReportByteLength);
        FUZZ_CHECK(shorter.CollectionCount <= summary.CollectionCount);
        FUZZ_CHECK(shorter.NumberedReports <= summary.NumberedReports);
    }
    return 0;
}
