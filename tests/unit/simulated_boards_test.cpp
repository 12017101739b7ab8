// The simulated boards answer as the program expects a real board to: these tests pin down that
// contract, since every scenario and the demo rely on it.
#include "device/sim/simulated_boards.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tensilo::device::sim {
namespace {

class SimulatedBoardsTest : public ::testing::Test {
protected:
    Handle Open(BoardId board, std::uint32_t flags = 0) {
        return boards.CreateFileA(boards.DevicePathOf(board), kGenericRead | kGenericWrite,
                                  kFileShareRead | kFileShareWrite, {}, kOpenExisting, flags);
    }
    std::vector<std::string> EnumeratedPaths() {
        std::vector<std::string> paths;
        Guid guid;
        boards.HidD_GetHidGuid(guid);
        const Handle set = boards.SetupDiGetClassDevsA(guid, kDigcfPresent | kDigcfDeviceInterface);
        InterfaceData data;
        data.cbSize = sizeof data;
        for (std::uint32_t i = 0; boards.SetupDiEnumDeviceInterfaces(set, guid, i, data); ++i) {
            std::uint32_t required = 0;
            EXPECT_EQ(boards.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required), 0);
            std::vector<std::uint8_t> detail(required, 0);
            detail[0] = static_cast<std::uint8_t>(kDetailHeaderSize);
            EXPECT_NE(boards.SetupDiGetDeviceInterfaceDetailA(set, data, detail, required), 0);
            paths.emplace_back(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
        }
        EXPECT_NE(boards.SetupDiDestroyDeviceInfoList(set), 0);
        return paths;
    }
    std::vector<std::uint8_t> Read(Handle handle, std::size_t length, std::int32_t& result) {
        std::vector<std::uint8_t> buffer(length, 0);
        std::uint32_t bytesRead = 99;
        Overlapped overlapped;
        result = boards.ReadFile(handle, buffer, bytesRead, overlapped);
        buffer.resize(bytesRead);
        return buffer;
    }

    SimulatedBoards boards;
    BoardId a = boards.DefineBoard(SaneBoard("A"));
    BoardId b = boards.DefineBoard(SaneBoard("B"));
};

TEST_F(SimulatedBoardsTest, EnumeratesAttachedBoardsInOrderOfAttachment) {
    EXPECT_TRUE(EnumeratedPaths().empty());
    boards.Attach(b);
    boards.Attach(a);
    EXPECT_EQ(EnumeratedPaths(), (std::vector<std::string>{boards.DevicePathOf(b), boards.DevicePathOf(a)}));
    // Plugged in again, a board comes after every board attached before it.
    boards.Detach(b);
    boards.Attach(b);
    EXPECT_EQ(EnumeratedPaths(), (std::vector<std::string>{boards.DevicePathOf(a), boards.DevicePathOf(b)}));
}

TEST_F(SimulatedBoardsTest, RefusesRecordsOfTheWrongSize) {
    boards.Attach(a);
    Guid guid;
    const Handle set = boards.SetupDiGetClassDevsA(guid, 0);
    InterfaceData data;
    data.cbSize = 28; // a 32-bit record on a 64-bit host
    EXPECT_EQ(boards.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    data.cbSize = sizeof data;
    ASSERT_NE(boards.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    std::uint32_t required = 0;
    boards.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required);
    std::vector<std::uint8_t> detail(required, 0);
    detail[0] = 5; // the 32-bit header size
    EXPECT_EQ(boards.SetupDiGetDeviceInterfaceDetailA(set, data, detail, required), 0);
    std::vector<std::uint8_t> tooSmall(required - 1, 0);
    tooSmall[0] = static_cast<std::uint8_t>(kDetailHeaderSize);
    EXPECT_EQ(boards.SetupDiGetDeviceInterfaceDetailA(set, data, tooSmall, required), 0);
    EXPECT_NE(boards.SetupDiDestroyDeviceInfoList(set), 0);
    EXPECT_EQ(boards.SetupDiDestroyDeviceInfoList(set), 0);
}

TEST_F(SimulatedBoardsTest, WritesStringsAsUtf16WithinTheBufferOffered) {
    SimBoardConfig config = SaneBoard("S");
    config.product = u"\u0141b";
    config.manufacturer = std::nullopt;
    const BoardId s = boards.DefineBoard(config);
    boards.Attach(s);
    const Handle handle = Open(s);
    std::vector<std::uint8_t> buffer(8, 0xAA);
    ASSERT_NE(boards.HidD_GetProductString(handle, buffer), 0);
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0x41, 0x01, 'b', 0, 0, 0, 0xAA, 0xAA}));
    // No room for the terminator: the text alone, cut to the bytes offered.
    std::vector<std::uint8_t> small(3, 0xAA);
    ASSERT_NE(boards.HidD_GetProductString(handle, small), 0);
    EXPECT_EQ(small, (std::vector<std::uint8_t>{0x41, 0x01, 0xAA}));
    EXPECT_EQ(boards.HidD_GetManufacturerString(handle, buffer), 0);
    EXPECT_NE(boards.HidD_GetSerialNumberString(handle, buffer), 0);
    boards.SetFailing(s, SimCall::Serial, true);
    EXPECT_EQ(boards.HidD_GetSerialNumberString(handle, buffer), 0);
    EXPECT_NE(boards.CloseHandle(handle), 0);
}

TEST_F(SimulatedBoardsTest, SettingsReportFollowsTakenRegisterWrites) {
    boards.Attach(a);
    const Handle handle = Open(a);
    std::vector<std::uint8_t> report(17, 0);
    ASSERT_NE(boards.HidD_GetFeature(handle, report), 0);
    EXPECT_EQ(report, (std::vector<std::uint8_t>{0, 0xEE, 0, 0x0F, 1, 8, 0, 8, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<std::uint8_t> write(17, 0);
    write[1] = 1;
    write[2] = 8;
    write[3] = 0x5A;
    ASSERT_NE(boards.HidD_SetFeature(handle, write), 0);
    ASSERT_EQ(boards.TakenWrites().size(), 1u);
    EXPECT_EQ(boards.TakenWrites()[0].board, a);
    EXPECT_EQ(boards.TakenWrites()[0].report, write);
    // Cut or zero-padded to the length asked for.
    std::vector<std::uint8_t> shortReport(12, 0xFF);
    shortReport[0] = 0;
    ASSERT_NE(boards.HidD_GetFeature(handle, shortReport), 0);
    EXPECT_EQ(shortReport.back(), 0x5A);
    std::vector<std::uint8_t> longReport(20, 0xFF);
    longReport[0] = 0;
    ASSERT_NE(boards.HidD_GetFeature(handle, longReport), 0);
    EXPECT_EQ(longReport[11], 0x5A);
    EXPECT_EQ(longReport[19], 0);
    // A refused transfer changes nothing and is not counted as taken.
    boards.SetFailing(a, SimCall::SetFeature, true);
    write[3] = 0x11;
    EXPECT_EQ(boards.HidD_SetFeature(handle, write), 0);
    EXPECT_EQ(boards.TakenWrites().size(), 1u);
    EXPECT_EQ(boards.SettingsReport(a)[11], 0x5A);
    boards.CloseHandle(handle);
}

TEST_F(SimulatedBoardsTest, ReadReturnsWholeQueuedReportsEndToEnd) {
    boards.Attach(a);
    const Handle handle = Open(a, kFileFlagOverlapped);
    std::int32_t result = 0;
    EXPECT_TRUE(Read(handle, 1000, result).empty());
    EXPECT_EQ(result, 0) << "nothing waiting: the read does not complete";

    const std::vector<std::uint8_t> one{0, 1, 2, 3, 4, 5, 6}, two{0, 9, 9, 9, 9, 9, 9};
    boards.QueueReport(a, one);
    boards.QueueReport(a, two);
    boards.QueueReport(a, {});
    boards.QueueReport(a, one);
    // Only whole reports that fit; the empty read stops the batch and comes alone.
    auto bytes = Read(handle, 10, result);
    EXPECT_NE(result, 0);
    EXPECT_EQ(bytes, one);
    bytes = Read(handle, 1000, result);
    EXPECT_EQ(bytes, two);
    bytes = Read(handle, 1000, result);
    EXPECT_NE(result, 0);
    EXPECT_TRUE(bytes.empty());
    bytes = Read(handle, 1000, result);
    EXPECT_EQ(bytes, one);
    boards.CloseHandle(handle);
}

TEST_F(SimulatedBoardsTest, UnplugFailsOpenHandlesButLetsThemClose) {
    boards.Attach(a);
    const Handle device = Open(a);
    const Handle reader = Open(a, kFileFlagOverlapped);
    EXPECT_EQ(boards.OpenHandles(a), 2);
    boards.QueueReport(a, std::vector<std::uint8_t>(7, 0));
    boards.Detach(a);
    boards.QueueReport(a, std::vector<std::uint8_t>(7, 0)); // dropped
    std::int32_t result = 1;
    Read(reader, 1000, result);
    EXPECT_EQ(result, 0);
    Attributes attributes;
    EXPECT_EQ(boards.HidD_GetAttributes(device, attributes), 0);
    EXPECT_EQ(Open(a), kInvalidHandle);
    // Plugged in again, the old handles stay dead and the queue stays empty.
    boards.Attach(a);
    EXPECT_EQ(boards.HidD_GetAttributes(device, attributes), 0);
    EXPECT_NE(boards.CloseHandle(device), 0);
    EXPECT_NE(boards.CloseHandle(reader), 0);
    EXPECT_EQ(boards.OpenHandles(a), 0);
    EXPECT_EQ(boards.BadCloses(), 0);
    EXPECT_EQ(boards.CloseHandle(reader), 0);
    EXPECT_EQ(boards.BadCloses(), 1);
}

// One write lock per board, shared by its handles: a take that finds it held lets its whole wait
// pass on the clock and fails as busy; the lock goes with its handle's close and with an unplug.
TEST_F(SimulatedBoardsTest, WriteLockIsOnePerBoardAndGoesWithItsHandle) {
    boards.Attach(a);
    boards.Attach(b);
    const Handle first = Open(a);
    const Handle second = Open(a);
    const Handle onB = Open(b);
    const auto busy = [&] {
        const auto failure = boards.LastFailure();
        return failure && failure->kind == SystemFailure::Kind::Busy;
    };
    EXPECT_NE(boards.TakeWriteLock(first, 300), 0);
    EXPECT_NE(boards.TakeWriteLock(first, 300), 0) << "taken again by its holder, at once";
    EXPECT_NE(boards.TakeWriteLock(onB, 300), 0) << "another board's lock is its own";
    EXPECT_EQ(boards.ClockMilliseconds(), 0u);
    EXPECT_EQ(boards.TakeWriteLock(second, 300), 0);
    EXPECT_TRUE(busy());
    EXPECT_EQ(boards.ClockMilliseconds(), 300u);
    EXPECT_NE(boards.CloseHandle(first), 0);
    EXPECT_NE(boards.TakeWriteLock(second, 300), 0) << "the close let it go";
    EXPECT_EQ(boards.ClockMilliseconds(), 300u);

    boards.Detach(a);
    boards.Attach(a);
    const Handle replugged = Open(a);
    EXPECT_NE(boards.TakeWriteLock(replugged, 300), 0) << "the unplug let it go";
    EXPECT_EQ(boards.TakeWriteLock(second, 300), 0) << "a handle of the board before the unplug";
    EXPECT_FALSE(busy());
    EXPECT_EQ(boards.ReleaseWriteLock(second), 0);
    EXPECT_NE(boards.ReleaseWriteLock(replugged), 0);
    EXPECT_EQ(boards.ReleaseWriteLock(replugged), 0) << "let go once";

    boards.SetLockHeldElsewhere(a, true);
    EXPECT_EQ(boards.TakeWriteLock(replugged, 2000), 0);
    EXPECT_TRUE(busy());
    EXPECT_EQ(boards.ClockMilliseconds(), 2300u);
    boards.SetLockHeldElsewhere(a, false);
    EXPECT_NE(boards.TakeWriteLock(replugged, 2000), 0);
    for (const Handle handle : {second, onB, replugged})
        EXPECT_NE(boards.CloseHandle(handle), 0);
    EXPECT_EQ(boards.ClockMilliseconds(), 2300u);
}

TEST_F(SimulatedBoardsTest, EachCallCanBeMadeToFail) {
    boards.Attach(a);
    const Handle handle = Open(a);
    PreparsedData preparsed = 0;
    ASSERT_NE(boards.HidD_GetPreparsedData(handle, preparsed), 0);
    HidCaps caps;
    EXPECT_EQ(boards.HidP_GetCaps(preparsed, caps), kHidpStatusSuccess);
    EXPECT_EQ(caps.InputReportByteLength, 7);
    EXPECT_EQ(caps.FeatureReportByteLength, 17);
    EXPECT_NE(boards.HidD_FreePreparsedData(preparsed), 0);
    EXPECT_EQ(boards.HidD_FreePreparsedData(preparsed), 0) << "released once";
    EXPECT_NE(boards.HidP_GetCaps(preparsed, caps), kHidpStatusSuccess);

    boards.SetFailing(a, SimCall::Caps, true);
    PreparsedData untouched = 1234;
    EXPECT_EQ(boards.HidD_GetPreparsedData(handle, untouched), 0);
    EXPECT_EQ(untouched, 1234);
    boards.SetFailing(a, SimCall::Open, true);
    EXPECT_EQ(Open(a), kInvalidHandle);
    boards.SetFailing(a, SimCall::Open, false);
    const Handle second = Open(a);
    EXPECT_TRUE(IsOpenHandle(second));
    boards.CloseHandle(second);
    boards.CloseHandle(handle);
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
}

TEST_F(SimulatedBoardsTest, StreamingBoardsReportEveryTenMillisecondsScaledByTheirGain) {
    boards.Attach(a);
    boards.SetStreaming(a, true);
    boards.SetLoad(a, 1.0);
    const Handle handle = Open(a, kFileFlagOverlapped);
    boards.AdvanceClock(55);
    std::int32_t result = 0;
    auto bytes = Read(handle, 1000, result);
    ASSERT_EQ(bytes.size(), 5u * 7u);
    const auto loadCell = [&](const std::vector<std::uint8_t>& report, std::size_t start) {
        return report[start + 3] | (report[start + 4] << 8);
    };
    const int atDefaultGain = loadCell(bytes, 28);
    EXPECT_GT(atDefaultGain, 40000);
    // Gain 1 instead of 500 on the load cell: the signal shrinks with it.
    std::vector<std::uint8_t> write(17, 0);
    write[1] = 1;
    write[2] = 0;
    write[3] = 8;
    const Handle device = Open(a);
    boards.HidD_SetFeature(device, write);
    write[2] = 1;
    write[3] = 0;
    boards.HidD_SetFeature(device, write);
    write[2] = 6;
    boards.HidD_SetFeature(device, write);
    boards.AdvanceClock(10);
    bytes = Read(handle, 1000, result);
    ASSERT_EQ(bytes.size(), 7u);
    EXPECT_LT(loadCell(bytes, 0), atDefaultGain / 100);
    boards.CloseHandle(device);
    boards.CloseHandle(handle);
}

TEST_F(SimulatedBoardsTest, WaitingReadMovesTheClockToTheNextReportOrToItsEnd) {
    boards.Attach(a);
    boards.Attach(b);
    boards.SetStreaming(b, true);
    const Handle quiet = Open(a, kFileFlagOverlapped);
    const Handle streaming = Open(b, kFileFlagOverlapped);
    std::vector<std::uint64_t> seen;
    boards.WhenClockMoves([&](std::uint64_t now) { seen.push_back(now); });
    std::vector<std::uint8_t> buffer(1000, 0);
    std::uint32_t bytesRead = 99;
    Overlapped overlapped;
    const struct {
        Handle handle;
        std::uint32_t timeout;
        std::size_t bytes;
        std::uint64_t clockAfter;
    } steps[] = {
        {streaming, 3, 0, 3},    // the first report is due at 10, after the wait
        {streaming, 100, 7, 10}, // the wait ends with that report
        {streaming, 5, 0, 15},
        {streaming, 5, 7, 20},
        {quiet, 0, 0, 20},       // nothing waiting, no wait: at once, nothing read
        {quiet, 25, 0, 45},      // nothing comes: the whole wait passes
        {streaming, 1000, 14, 45}, // the reports of 30 and 40 were waiting: at once, both
    };
    for (const auto& step : steps) {
        EXPECT_NE(
            boards.ReadFileWithTimeout(step.handle, buffer, bytesRead, overlapped, step.timeout), 0);
        EXPECT_EQ(bytesRead, step.bytes) << "wait " << step.timeout;
        EXPECT_EQ(boards.ClockMilliseconds(), step.clockAfter) << "wait " << step.timeout;
    }
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{3, 10, 15, 20, 45}))
        << "each move of the clock is seen, also inside a wait";
    boards.CloseHandle(quiet);
    boards.CloseHandle(streaming);
}

// One wait over four boards: A streams every 3 ms, B every 5 ms, C has what is queued for it, and
// D is pulled out when the clock reaches 10. The wait moves the clock to the earliest report of
// any board, or to its end; a board's loss ends it too, and every board still hands out what it
// has then.
TEST_F(SimulatedBoardsTest, OneWaitOverSeveralBoardsEndsAtTheFirstReportOfAny) {
    const BoardId c = boards.DefineBoard(SaneBoard("C"));
    const BoardId d = boards.DefineBoard(SaneBoard("D"));
    std::vector<std::vector<std::uint8_t>> buffers(4, std::vector<std::uint8_t>(1000));
    std::vector<Overlapped> records(4);
    std::vector<InputRead> reads;
    for (const BoardId board : {a, b, c, d}) {
        boards.Attach(board);
        const std::size_t i = reads.size();
        reads.push_back({Open(board, kFileFlagOverlapped), buffers[i], &records[i], 99, 99});
    }
    boards.SetStreaming(a, true, 3);
    boards.SetStreaming(b, true, 5);
    boards.WhenClockMoves([&](std::uint64_t now) {
        if (now >= 10)
            boards.Detach(d);
    });
    const std::vector<std::uint8_t> report{0, 1, 2, 3, 4, 5, 6};
    const struct {
        bool queueOnC;
        std::uint32_t timeout;
        std::uint64_t clockAfter;
        std::array<std::uint32_t, 4> bytes; // of A, B, C and D
        bool dAnswers;
    } steps[] = {
        {false, 100, 3, {7, 0, 0, 0}, true}, // A's first report
        {false, 100, 5, {0, 7, 0, 0}, true}, // B's, before A's second
        {false, 100, 6, {7, 0, 0, 0}, true},
        {false, 1, 7, {0, 0, 0, 0}, true},  // the wait's end comes first
        {true, 100, 7, {0, 0, 7, 0}, true}, // a report waiting on C: at once
        {false, 0, 7, {0, 0, 0, 0}, true},  // no wait, nothing waiting
        {false, 100, 9, {7, 0, 0, 0}, true},
        {false, 100, 10, {0, 7, 0, 0}, false}, // D lost at 10; B's report of 10 is there too
        {false, 100, 10, {0, 0, 0, 0}, false}, // a board already lost: the wait ends at once
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.clockAfter);
        if (step.queueOnC)
            boards.QueueReport(c, report);
        ASSERT_NE(boards.ReadFilesWithTimeout(reads, step.timeout), 0);
        EXPECT_EQ(boards.ClockMilliseconds(), step.clockAfter);
        for (std::size_t i = 0; i < reads.size(); ++i) {
            EXPECT_EQ(reads[i].bytesRead, step.bytes[i]) << "board " << i;
            EXPECT_EQ(reads[i].result != 0, i != 3 || step.dAnswers) << "board " << i;
        }
    }
    // A period of 0 makes a report every millisecond rather than no end of them.
    boards.SetStreaming(c, true, 0);
    boards.AdvanceClock(3);
    ASSERT_NE(boards.ReadFilesWithTimeout(std::span(reads).first(3), 50), 0);
    EXPECT_EQ(reads[2].bytesRead, 3u * 7u);
    // More requests than one wait takes are refused whole.
    std::vector<InputRead> tooMany(kMaxInputReads + 1, reads[0]);
    EXPECT_EQ(boards.ReadFilesWithTimeout(tooMany, 50), 0);
    EXPECT_EQ(tooMany[0].result, 0);
    EXPECT_EQ(boards.ClockMilliseconds(), 13u);
    for (const InputRead& read : reads)
        EXPECT_NE(boards.CloseHandle(read.device), 0);
}

TEST_F(SimulatedBoardsTest, QueuedUnplugEndsTheReportsBeforeIt) {
    boards.Attach(a);
    const Handle reader = Open(a, kFileFlagOverlapped);
    const std::vector<std::uint8_t> one{0, 1, 2, 3, 4, 5, 6};
    boards.QueueReport(a, one);
    boards.QueueReport(a, one);
    boards.QueueUnplug(a);
    boards.QueueReport(a, one); // behind the unplug: never read
    std::vector<std::uint8_t> buffer(1000, 0);
    std::uint32_t bytesRead = 0;
    Overlapped overlapped;
    ASSERT_NE(boards.ReadFileWithTimeout(reader, buffer, bytesRead, overlapped, 10), 0);
    EXPECT_EQ(bytesRead, 14u) << "the reports before the unplug, and not the unplug itself";
    EXPECT_TRUE(boards.IsAttached(a));
    EXPECT_EQ(boards.ReadFileWithTimeout(reader, buffer, bytesRead, overlapped, 10), 0);
    EXPECT_EQ(bytesRead, 0u);
    EXPECT_FALSE(boards.IsAttached(a));
    std::int32_t result = 1;
    Read(reader, 1000, result);
    EXPECT_EQ(result, 0) << "the board stays unplugged";
    EXPECT_NE(boards.CloseHandle(reader), 0);
    boards.QueueUnplug(a); // dropped: the board is not attached
    boards.Attach(a);
    EXPECT_TRUE(boards.IsAttached(a));

    // Pulled out while a read waits: the wait ends there, failing.
    const Handle waiting = Open(a, kFileFlagOverlapped);
    boards.WhenClockMoves([&](std::uint64_t) { boards.Detach(a); });
    EXPECT_EQ(boards.ReadFileWithTimeout(waiting, buffer, bytesRead, overlapped, 1000), 0);
    EXPECT_EQ(boards.ClockMilliseconds(), 1000u);
    EXPECT_NE(boards.CloseHandle(waiting), 0);
}

} // namespace
} // namespace tensilo::device::sim
