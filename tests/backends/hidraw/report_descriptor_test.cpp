// The report-descriptor summary against the lengths Windows gives the same descriptors, and its
// behaviour on malformed ones.
#include "device/board_identity.h"
#include "device/hidraw/report_descriptor.h"
#include "sample_descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tensilo::device::hidraw {
namespace {

using test::kBootKeyboard;
using test::kBootMouse;
using test::kNumberedVendor;
using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The board's descriptor as declared, and its items alone: the declared array is two bytes
// longer than its items, and the zero bytes that pad it read as empty main items, which change
// nothing. The cut and fault cases work on the items, so that their last byte is End Collection.
const Bytes kBoardDeclared(BoardReportDescriptor.begin(), BoardReportDescriptor.end());
const Bytes kBoard(BoardReportDescriptor.begin(),
                   std::find(BoardReportDescriptor.begin(), BoardReportDescriptor.end(), 0xC0) + 1);
const Bytes kBoardHead(kBoard.begin(), kBoard.begin() + 7); // usage page, usage, collection

struct Expected {
    const char* name;
    Bytes descriptor;
    std::uint16_t usagePage, usage, input, output, feature;
    bool numbered;
};

TEST(ReportDescriptor, LengthsAsWindowsGivesThem) {
    const Expected cases[] = {
        {"board", kBoardDeclared, 0xFF00, 0x01, 7, 0, 17, false},
        {"boot mouse", kBootMouse, 0x01, 0x02, 4, 0, 0, false},
        {"boot keyboard", kBootKeyboard, 0x01, 0x06, 9, 2, 0, false},
        // Longest input is report 2 with 5 + 1 bytes over two main items, plus the ID byte.
        {"numbered reports", kNumberedVendor, 0xFF00, 0x01, 7, 9, 4, true},
        // A 32-bit usage carries its own page (consumer control 0x000C, usage 1).
        {"extended usage",
         {0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0},
         0x0C, 0x01, 3, 0, 0, false},
        // Pop restores the report size pushed: 4 x 16 bits, then 2 x 8 bits; 3 odd bits round up.
        {"push and pop",
         Concat({kBoardHead,
                 {0x75, 0x08, 0x95, 0x02, 0xA4, 0x75, 0x10, 0x95, 0x04, 0x81, 0x02, 0xB4, 0x81,
                  0x02, 0x75, 0x01, 0x95, 0x03, 0x91, 0x02, 0xC0}}),
         0xFF00, 0x01, 11, 2, 0, false},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.name);
        const DescriptorSummary s = SummariseReportDescriptor(c.descriptor);
        EXPECT_EQ(s.Fault, DescriptorFault::None);
        EXPECT_EQ(s.UsagePage, c.usagePage);
        EXPECT_EQ(s.Usage, c.usage);
        EXPECT_EQ(s.InputReportByteLength, c.input);
        EXPECT_EQ(s.OutputReportByteLength, c.output);
        EXPECT_EQ(s.FeatureReportByteLength, c.feature);
        EXPECT_EQ(s.NumberedReports, c.numbered);
    }
    EXPECT_EQ(SummariseReportDescriptor(kBoard).InputReportByteLength, BoardInputReportByteLength);
    EXPECT_EQ(SummariseReportDescriptor(kBoard).FeatureReportByteLength,
              BoardFeatureReportByteLength);
}

TEST(ReportDescriptor, MalformedDescriptorsAreFlaggedAndReadSafely) {
    const Bytes huge = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02};
    const struct {
        const char* name;
        Bytes descriptor;
        DescriptorFault fault;
        std::uint16_t input; // what is still counted
    } cases[] = {
        {"empty", {}, DescriptorFault::NoTopCollection, 0},
        {"item cut in its data", Bytes(kBoard.begin(), kBoard.begin() + 11),
         DescriptorFault::TruncatedItem, 0},
        {"four-byte item cut", {0x27, 0xFF, 0xFF}, DescriptorFault::TruncatedItem, 0},
        {"long item cut", {0xFE, 0x10, 0x00, 0x01}, DescriptorFault::TruncatedItem, 0},
        {"long item prefix alone", {0xFE}, DescriptorFault::TruncatedItem, 0},
        {"long item", Concat({{0xFE, 0x02, 0x00, 0xAA, 0xBB}, kBoard}), DescriptorFault::LongItem, 7},
        {"collection left open", Bytes(kBoard.begin(), kBoard.end() - 1),
         DescriptorFault::UnbalancedCollection, 7},
        {"end without collection", Concat({{0xC0}, kBoard}), DescriptorFault::UnbalancedCollection, 7},
        {"pop without push", Concat({{0xB4}, kBoard}), DescriptorFault::PopUnderflow, 7},
        {"push overflow", Concat({{0xA4, 0xA4, 0xA4, 0xA4, 0xA4}, kBoard}),
         DescriptorFault::PushOverflow, 7},
        {"report ID 0", Concat({{0x85, 0x00}, kBoard}), DescriptorFault::InvalidReportId, 7},
        {"report ID above 255", Concat({{0x86, 0x00, 0x01}, kBoard}),
         DescriptorFault::InvalidReportId, 7},
        {"reserved item type", Concat({{0x0C}, kBoard}), DescriptorFault::ReservedItem, 7},
        {"report beyond 16-bit lengths", Concat({kBoardHead, huge, huge, {0xC0}}),
         DescriptorFault::ReportTooLong, 0xFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A heap copy of the exact size, so that a read past the end shows under AddressSanitizer.
        const Bytes exact(c.descriptor);
        const DescriptorSummary s = SummariseReportDescriptor(exact);
        EXPECT_EQ(s.Fault, c.fault);
        EXPECT_EQ(s.InputReportByteLength, c.input);
    }
}

TEST(ReportDescriptor, EveryCutOfAGoodDescriptorIsAFault) {
    for (const Bytes* whole : {&kBoard, &kBootMouse, &kBootKeyboard, &kNumberedVendor}) {
        for (std::size_t length = 0; length < whole->size(); ++length) {
            const Bytes cut(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_NE(SummariseReportDescriptor(cut).Fault, DescriptorFault::None) << length;
        }
    }
}

// Random bytes and mutations of the samples: the summary must not crash or read out of bounds
// (the check that matters runs under AddressSanitizer).
TEST(ReportDescriptor, RandomBytesAreReadSafely) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes = round % 2 == 0 ? kNumberedVendor : Bytes(random() % 64);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (round % 2 != 0 || random() % 8 == 0)
                bytes[i] = static_cast<std::uint8_t>(random());
        }
        const DescriptorSummary s = SummariseReportDescriptor(bytes);
        if (s.Fault == DescriptorFault::None) {
            EXPECT_GT(s.CollectionCount, 0);
        }
    }
}

} // namespace
} // namespace tensilo::device::hidraw
