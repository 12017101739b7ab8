// The backend's transfers (attributes, feature reports, input reads, unplug) against fake hidraw
// nodes that a FUSE file system of the test process serves, and the program's own walk over
// them. Skipped, with the reason, where FUSE cannot be mounted.
#include "device/board_identity.h"
#include "device/failure_log.h"
#include "device/hidraw/hidraw_hid_api.h"
#include "device/interface_walk.h"
#include "device/read_channel.h"
#include "device/system_failure.h"
#include "fake_hidraw_fs.h"
#include "fake_sysfs.h"
#include "sample_descriptors.h"
#include "tools/hid-list/hid_listing.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tensilo::device {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FakeNode;

constexpr unsigned kBoardNode = 0;
constexpr unsigned kNumberedNode = 1;
constexpr unsigned kKeyboardNode = 2;

class HidrawFuse : public ::testing::Test {
protected:
    static void SetUpTestSuite() { isolated = test::IsolateMounts(); }

    void SetUp() override {
        tree.Add({kBoardNode, test::kBusUsb, BoardVendorId, BoardProductId,
                  {BoardReportDescriptor.begin(), BoardReportDescriptor.end()}, "TS-0001",
                  "TS-0001", "Tensilo", "Tensilo board", "0103"}, false);
        tree.Add({kNumberedNode, test::kBusUsb, 0x0483, 0x5750, test::kNumberedVendor, "N-1",
                  "N-1", {}, {}, "0200"}, false);
        tree.Add({kKeyboardNode, test::kBusBluetooth, 0x046D, 0xB342, test::kBootKeyboard,
                  "aa:bb:cc:dd:ee:ff", {}, {}, {}, {}}, false);
        std::string whyNot;
        fake = test::FakeHidrawFs::Mount(tree.Root() / "fuse", whyNot);
        if (!fake)
            GTEST_SKIP() << "no fake hidraw nodes: " << whyNot;
        fake->With(kBoardNode, [](FakeNode& n) { n.VendorId = BoardVendorId; n.ProductId = BoardProductId; });
        fake->With(kNumberedNode, [](FakeNode& n) { n.VendorId = 0x0483; n.ProductId = 0x5750; });
        fake->With(kKeyboardNode, [](FakeNode& n) { n.Bus = 5; n.VendorId = 0x046D; n.ProductId = 0xB342; });
        api = std::make_unique<HidrawHidApi>(tree.Sys(), tree.Root() / "fuse");
    }
    // The backend closes its files before the file system goes.
    void TearDown() override { api.reset(); }

    Handle Open(unsigned node, std::uint32_t flags = kFileFlagOverlapped) {
        const auto path = tree.Root() / "fuse" / ("hidraw" + std::to_string(node));
        const Handle handle = api->CreateFileA(path.string(), kGenericRead | kGenericWrite,
                                               kFileShareRead | kFileShareWrite, {}, kOpenExisting, flags);
        EXPECT_TRUE(IsOpenHandle(handle));
        return handle;
    }
    void Queue(unsigned node, std::initializer_list<Bytes> reports) {
        fake->With(node, [&](FakeNode& n) { n.Input.insert(n.Input.end(), reports); });
    }
    // One read into a buffer of `length` bytes; the bytes read, or nothing when it fails.
    std::optional<Bytes> Read(Handle handle, std::size_t length = 1000) {
        Bytes buffer(length);
        std::uint32_t bytesRead = 77;
        Overlapped overlapped;
        const std::int32_t result = api->ReadFile(handle, buffer, bytesRead, overlapped);
        if (result == 0) {
            EXPECT_EQ(bytesRead, 0u);
            return std::nullopt;
        }
        EXPECT_LE(bytesRead, length);
        buffer.resize(bytesRead);
        return buffer;
    }

    static inline bool isolated = false;
    test::FakeSysfs tree;
    std::unique_ptr<test::FakeHidrawFs> fake;
    std::unique_ptr<HidrawHidApi> api;
};

TEST_F(HidrawFuse, ProgramWalkFindsTheBoardAndReadsItsCaps) {
    WindowState state;
    std::vector<std::string> seen;
    ASSERT_TRUE(WalkInterfaces(*api, state, [&](const std::string& serial) {
        seen.push_back(serial);
        return BoardVerdict::KeepAndStop;
    }));
    EXPECT_EQ(seen, std::vector<std::string>{"TS-0001"});
    EXPECT_EQ(state.DeviceAttributes.VendorID, BoardVendorId);
    EXPECT_EQ(state.DeviceAttributes.ProductID, BoardProductId);
    EXPECT_EQ(state.DeviceAttributes.VersionNumber, 0x0103);
    ReadDeviceCaps(*api, state);
    EXPECT_EQ(state.Capabilities.InputReportByteLength, BoardInputReportByteLength);
    EXPECT_EQ(state.Capabilities.FeatureReportByteLength, BoardFeatureReportByteLength);
    EXPECT_NE(api->CloseHandle(state.DeviceHandle), 0);

    // Off USB the node still gives vendor and product, and there is no version.
    const Handle keyboard = Open(kKeyboardNode, 0);
    Attributes attributes;
    ASSERT_NE(api->HidD_GetAttributes(keyboard, attributes), 0);
    EXPECT_EQ(attributes.VendorID, 0x046D);
    EXPECT_EQ(attributes.ProductID, 0xB342);
    EXPECT_EQ(attributes.VersionNumber, 0);
    api->CloseHandle(keyboard);
}

TEST_F(HidrawFuse, FeatureReportsKeepTheReportNumberInByteZero) {
    Bytes settings(BoardFeatureReportByteLength, 0);
    for (std::size_t i = 1; i < settings.size(); ++i)
        settings[i] = static_cast<std::uint8_t>(0xA0 + i);
    fake->With(kBoardNode, [&](FakeNode& n) { n.Features[0] = settings; });
    fake->With(kNumberedNode, [&](FakeNode& n) { n.Features[3] = {3, 0x31, 0x32, 0x33}; });

    const Handle board = Open(kBoardNode, 0);
    Bytes report(BoardFeatureReportByteLength, 0);
    ASSERT_NE(api->HidD_GetFeature(board, report), 0);
    EXPECT_EQ(report, settings);
    const Bytes write = {0, 1, 6, 244, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_NE(api->HidD_SetFeature(board, write), 0);
    fake->With(kBoardNode, [&](FakeNode& n) { EXPECT_EQ(n.FeatureWrites, std::vector<Bytes>{write}); });

    const Handle numbered = Open(kNumberedNode, 0);
    Bytes third = {3, 0, 0, 0};
    ASSERT_NE(api->HidD_GetFeature(numbered, third), 0);
    EXPECT_EQ(third, (Bytes{3, 0x31, 0x32, 0x33}));
    Bytes missing = {9, 0, 0, 0};
    EXPECT_EQ(api->HidD_GetFeature(numbered, missing), 0);
    api->CloseHandle(board);
    api->CloseHandle(numbered);
}

TEST_F(HidrawFuse, ReadsFrameReportsAsWindowsDoes) {
    // Unnumbered reports get a 0 in front; numbered ones arrive with their ID already.
    const Bytes a = {1, 2, 3, 4, 5, 6}, b = {7, 8, 9, 10, 11, 12};
    Queue(kBoardNode, {a, b});
    Queue(kNumberedNode, {{1, 0xAA, 0xBB}, {2, 1, 2, 3, 4, 5, 6}});
    const Handle board = Open(kBoardNode);
    const Handle numbered = Open(kNumberedNode);
    EXPECT_EQ(Read(board), (Bytes{0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Read(numbered), (Bytes{1, 0xAA, 0xBB, 2, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Read(board), std::nullopt); // nothing waits
    api->CloseHandle(board);
    api->CloseHandle(numbered);
}

TEST_F(HidrawFuse, AReportThatDoesNotFitWaitsForTheNextRead) {
    Queue(kBoardNode, {{1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}, {3, 3, 3, 3, 3, 3}});
    const Handle board = Open(kBoardNode);
    EXPECT_EQ(Read(board, 15), (Bytes{0, 1, 1, 1, 1, 1, 1, 0, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(Read(board, 6), std::nullopt); // still too small for the held report
    EXPECT_EQ(LastFailureText(*api), "the waiting report does not fit into the bytes asked for");
    EXPECT_EQ(Read(board, 15), (Bytes{0, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(Read(board, 15), std::nullopt);
    api->CloseHandle(board);
}

TEST_F(HidrawFuse, UnpluggedDeviceFailsEverythingButTheClose) {
    const Handle sync = Open(kBoardNode, 0);
    const Handle read = Open(kBoardNode);
    fake->With(kBoardNode, [](FakeNode& n) {
        n.Unplugged = true;
        n.Input.push_back({1, 2, 3, 4, 5, 6});
    });
    tree.Remove(kBoardNode);
    // Each failure keeps the system's reason, for the tools that explain it.
    EXPECT_EQ(Read(read), std::nullopt);
    EXPECT_EQ(LastFailureText(*api), "Input/output error");
    Bytes report(BoardFeatureReportByteLength, 0);
    EXPECT_EQ(api->HidD_GetFeature(sync, report), 0);
    EXPECT_EQ(LastFailureText(*api), "No such device");
    EXPECT_EQ(api->HidD_SetFeature(sync, report), 0);
    Attributes attributes;
    EXPECT_EQ(api->HidD_GetAttributes(sync, attributes), 0);
    Bytes serial(100, 0);
    EXPECT_EQ(api->HidD_GetSerialNumberString(read, serial), 0);
    EXPECT_NE(api->CloseHandle(sync), 0);
    EXPECT_NE(api->CloseHandle(read), 0);
    EXPECT_EQ(api->CloseHandle(read), 0);
    EXPECT_EQ(LastFailureText(*api), "not an open handle");
}

// One wait over three nodes: the board's reports are read and framed, the numbered device is
// gone, the keyboard has nothing. The --verbose log names the lost node with its own reason, which
// the keyboard's empty read after it must not hide.
TEST_F(HidrawFuse, OneWaitReadsTheReadyNodesAndTellsTheGoneOne) {
    std::ostringstream log;
    FailureLog logged(*api, log, "tensiloctl: ");
    const auto node = [&](unsigned n) {
        return (tree.Root() / "fuse" / ("hidraw" + std::to_string(n))).string();
    };
    std::vector<Bytes> buffers(3, Bytes(1000, 0xAB));
    Overlapped records[3];
    std::vector<InputRead> reads;
    for (const unsigned n : {kBoardNode, kNumberedNode, kKeyboardNode}) {
        const Handle handle = logged.CreateFileA(node(n), kGenericRead | kGenericWrite,
                                                 kFileShareRead | kFileShareWrite, {},
                                                 kOpenExisting, kFileFlagOverlapped);
        ASSERT_TRUE(IsOpenHandle(handle));
        reads.push_back({handle, buffers[n], &records[n], 77, 77});
    }
    Queue(kBoardNode, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    fake->With(kNumberedNode, [](FakeNode& n) { n.Unplugged = true; });
    ASSERT_NE(logged.ReadFilesWithTimeout(reads, 5000), 0);
    EXPECT_NE(reads[0].result, 0);
    ASSERT_EQ(reads[0].bytesRead, 14u);
    EXPECT_EQ(Bytes(buffers[0].begin(), buffers[0].begin() + 14),
              (Bytes{0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(reads[1].result, 0);
    EXPECT_EQ(reads[1].bytesRead, 0u);
    EXPECT_NE(reads[2].result, 0);
    EXPECT_EQ(reads[2].bytesRead, 0u);
    EXPECT_EQ(log.str(),
              "tensiloctl: ReadFile " + node(kNumberedNode) + " failed: Input/output error\n");
    for (const InputRead& read : reads)
        logged.CloseHandle(read.device);
}

TEST_F(HidrawFuse, AReadWithNothingWaitingIsNoFault) {
    const Handle read = Open(kBoardNode);
    EXPECT_EQ(Read(read), std::nullopt);
    const auto failure = api->LastFailure();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, SystemFailure::Kind::NothingWaiting);
    api->CloseHandle(read);
}

// A node the user may not open is told apart by whose it is: the board's refusal is the window's
// "No access", another device's refusal is none of its business.
TEST_F(HidrawFuse, ARefusedOpenTellsWhoseNodeItIs) {
    struct Case {
        unsigned refused;
        bool boardRefused;
        std::uint16_t vendor, product;
    };
    for (const Case c : {Case{kBoardNode, true, BoardVendorId, BoardProductId},
                         Case{kKeyboardNode, false, 0x046D, 0xB342}}) {
        SCOPED_TRACE(c.refused);
        fake->With(c.refused, [](FakeNode& n) { n.RefuseOpen = true; });
        const auto path = tree.Root() / "fuse" / ("hidraw" + std::to_string(c.refused));
        EXPECT_EQ(api->CreateFileA(path.string(), kGenericRead | kGenericWrite,
                                   kFileShareRead | kFileShareWrite, {}, kOpenExisting, 0),
                  kInvalidHandle);
        const auto failure = api->LastFailure();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind, SystemFailure::Kind::AccessDenied);
        EXPECT_EQ(failure->reason, "Permission denied");
        EXPECT_EQ(failure->refusedVendorId, c.vendor);
        EXPECT_EQ(failure->refusedProductId, c.product);

        WindowState state;
        WalkNotes notes;
        std::vector<std::string> seen;
        WalkInterfaces(*api, state, [&](const std::string& serial) {
            seen.push_back(serial);
            return BoardVerdict::Close;
        }, &notes);
        EXPECT_EQ(!notes.refusedBoardPaths.empty(), c.boardRefused);
        EXPECT_EQ(seen.empty(), c.boardRefused);
        fake->With(c.refused, [](FakeNode& n) { n.RefuseOpen = false; });
    }
}

// What the user's tools make of failures: tensilo-hid-list's lines and the log of
// `tensilo-config --verbose`, each with the system's own reason.
TEST_F(HidrawFuse, TheToolsExplainEachFailureWithTheSystemsReason) {
    const auto node = [&](unsigned n) { return (tree.Root() / "fuse" / ("hidraw" + std::to_string(n))).string(); };
    fake->With(kBoardNode, [](FakeNode& n) { n.RefuseOpen = true; });

    const auto reports = tools::ListHidInterfaces(*api);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(tools::FormatInterfaceLine(reports[0]),
              "* " + node(kBoardNode) + "  (open refused: Permission denied)  vendor 0x1209 product 0x7E51");
    EXPECT_NE(tools::FormatInterfaceLine(reports[2]).find(
                  "manufacturer (request failed: the device tells no manufacturer string)"),
              std::string::npos)
        << tools::FormatInterfaceLine(reports[2]);
    EXPECT_EQ(tools::FormatSummary(reports), "3 interfaces, 1 Tensilo board (1 of them refused to this user)");
    EXPECT_NE(tools::AccessAdvice(reports).find("70-tensilo.rules"), std::string::npos);

    std::ostringstream log;
    FailureLog logged(*api, log, "tensilo-config: ");
    WindowState state;
    // The walk's end, the size query and the other product's interfaces are no failures; the
    // refusal still reaches the window's walk through the log.
    WalkNotes notes;
    EXPECT_FALSE(WalkInterfaces(logged, state, [](const std::string&) { return BoardVerdict::KeepAndStop; },
                                &notes));
    EXPECT_FALSE(notes.refusedBoardPaths.empty());
    const std::string refusal = "tensilo-config: CreateFileA " + node(kBoardNode) + " failed: Permission denied\n";
    EXPECT_EQ(log.str(), refusal);
    // Every search meets the refusal again; it is written once, and again after an open succeeded.
    const auto search = [&] {
        WalkInterfaces(logged, state, [](const std::string&) { return BoardVerdict::Close; });
    };
    search();
    EXPECT_EQ(log.str(), refusal);
    fake->With(kBoardNode, [](FakeNode& n) { n.RefuseOpen = false; });
    search();
    fake->With(kBoardNode, [](FakeNode& n) { n.RefuseOpen = true; });
    search();
    EXPECT_EQ(log.str(), refusal + refusal);
    log.str("");

    const Handle numbered = logged.CreateFileA(node(kNumberedNode), kGenericRead | kGenericWrite,
                                               kFileShareRead | kFileShareWrite, {}, kOpenExisting, 0);
    ASSERT_TRUE(IsOpenHandle(numbered));
    Bytes buffer(64);
    std::uint32_t bytesRead = 0;
    Overlapped overlapped;
    EXPECT_EQ(logged.ReadFile(numbered, buffer, bytesRead, overlapped), 0); // nothing waiting
    EXPECT_EQ(log.str(), "");
    fake->With(kNumberedNode, [](FakeNode& n) { n.Unplugged = true; });
    EXPECT_EQ(logged.ReadFile(numbered, buffer, bytesRead, overlapped), 0);
    Bytes report(4, 0);
    EXPECT_EQ(logged.HidD_SetFeature(numbered, report), 0);
    EXPECT_NE(logged.CloseHandle(numbered), 0);
    EXPECT_EQ(logged.CloseHandle(numbered), 0);
    EXPECT_EQ(log.str(), "tensilo-config: ReadFile " + node(kNumberedNode) + " failed: Input/output error\n"
                         "tensilo-config: HidD_SetFeature " + node(kNumberedNode) + " failed: No such device\n"
                         "tensilo-config: CloseHandle failed: not an open handle\n");
}

} // namespace
} // namespace tensilo::device
