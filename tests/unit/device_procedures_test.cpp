// The procedures that need no window: the interface walk, the capabilities and the read channel,
// run against simulated boards.
#include "device/board_access.h"
#include "device/board_write_lock.h"
#include "device/interface_walk.h"
#include "device/read_channel.h"
#include "device/sim/simulated_boards.h"

#include <gtest/gtest.h>

namespace tensilo::device {
namespace {

using sim::BoardId;
using sim::SaneBoard;
using sim::SimCall;

class DeviceProceduresTest : public ::testing::Test {
protected:
    BoardId Define(const std::string& name, std::uint16_t vendor = BoardVendorId) {
        sim::SimBoardConfig config = SaneBoard(name);
        config.vendorId = vendor;
        const BoardId id = boards.DefineBoard(config);
        boards.Attach(id);
        return id;
    }
    std::vector<std::string> SerialsSeen() {
        std::vector<std::string> seen;
        WalkInterfaces(boards, state, [&](const std::string& serial) {
            seen.push_back(serial);
            return BoardVerdict::Close;
        });
        return seen;
    }

    sim::SimulatedBoards boards;
    WindowState state{};
};

TEST_F(DeviceProceduresTest, WalkHandsOverOnlyReadableBoardsOfTheProductAndClosesEveryHandle) {
    Define("mouse", 0x046D);
    const BoardId refusing = Define("R");
    Define("A");
    const BoardId noSerial = Define("N");
    Define("B");
    boards.SetFailing(refusing, SimCall::Open, true);
    boards.SetFailing(noSerial, SimCall::Serial, true);
    EXPECT_EQ(SerialsSeen(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(state.EnumerationEnded, kTrue);
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
    EXPECT_EQ(boards.BadCloses(), 0) << "a refused open is not closed";
    EXPECT_EQ(state.HandleSecurity.nLength, 12u);
    EXPECT_TRUE(state.HandleSecurity.bInheritHandle);
}

TEST_F(DeviceProceduresTest, WalkKeepsTheChosenBoardOpenAndStopsThere) {
    Define("A");
    const BoardId b = Define("B");
    Define("C");
    std::vector<std::string> seen;
    const bool kept = WalkInterfaces(boards, state, [&](const std::string& serial) {
        seen.push_back(serial);
        return serial == "B" ? BoardVerdict::KeepAndStop : BoardVerdict::Close;
    });
    EXPECT_TRUE(kept);
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(state.EnumerationEnded, kFalse);
    EXPECT_EQ(state.DevicePath, boards.DevicePathOf(b));
    EXPECT_EQ(boards.OpenHandles(b), 1);
    EXPECT_EQ(boards.TotalOpenHandles(), 1) << "the interface set is destroyed";
    EXPECT_NE(boards.CloseHandle(state.DeviceHandle), 0);
}

TEST_F(DeviceProceduresTest, FailedAttributeReadCountsAsAnotherProduct) {
    const BoardId a = Define("A");
    boards.SetFailing(a, SimCall::Attributes, true);
    EXPECT_TRUE(SerialsSeen().empty());
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
}

TEST_F(DeviceProceduresTest, CapabilitiesThatCannotBeReadKeepThePreviousBoardsLengths) {
    sim::SimBoardConfig config = SaneBoard("A");
    config.inputLength = 9;
    config.featureLength = 33;
    const BoardId a = boards.DefineBoard(config);
    const BoardId b = Define("B");
    boards.Attach(a);
    state.DeviceHandle = boards.CreateFileA(boards.DevicePathOf(a), 0, 0, {}, kOpenExisting, 0);
    ReadDeviceCaps(boards, state);
    EXPECT_EQ(state.Capabilities.InputReportByteLength, 9);
    EXPECT_EQ(state.Capabilities.FeatureReportByteLength, 33);
    boards.CloseHandle(state.DeviceHandle);

    boards.SetFailing(b, SimCall::Caps, true);
    state.DeviceHandle = boards.CreateFileA(boards.DevicePathOf(b), 0, 0, {}, kOpenExisting, 0);
    ReadDeviceCaps(boards, state);
    EXPECT_EQ(state.LastResult, 0);
    EXPECT_EQ(state.Capabilities.InputReportByteLength, 9);
    EXPECT_EQ(state.Capabilities.FeatureReportByteLength, 33);
    EXPECT_EQ(state.PreparsedData, 0);
    boards.CloseHandle(state.DeviceHandle);
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
}

TEST_F(DeviceProceduresTest, ReadEventIsCreatedOnceAndTheRecordReArmed) {
    CreateReadEvent(boards, state);
    const Handle event = state.ReadEvent;
    EXPECT_TRUE(IsOpenHandle(event));
    state.ReadOverlapped.Offset = 7;
    state.ReadOverlapped.OffsetHigh = 8;
    state.LastResult = 42;
    CreateReadEvent(boards, state);
    EXPECT_EQ(state.ReadEvent, event);
    EXPECT_EQ(state.ReadOverlapped.Offset, 0u);
    EXPECT_EQ(state.ReadOverlapped.OffsetHigh, 0u);
    EXPECT_EQ(state.ReadOverlapped.hEvent, event);
    EXPECT_EQ(state.LastResult, 42) << "creating the event leaves the last result alone";
    EXPECT_EQ(boards.EventsCreated(), 1);
}

// The window keeps its one read event over every close; tensiloctl closes each with its board.
TEST_F(DeviceProceduresTest, CloseBoardKeepsTheReadEventOrClosesIt) {
    Define("A");
    ASSERT_TRUE(OpenBoard(boards, state, "A"));
    CloseBoard(boards, state);
    EXPECT_EQ(boards.OpenEvents(), 1);
    ASSERT_TRUE(OpenBoard(boards, state, "A"));
    EXPECT_EQ(boards.EventsCreated(), 1) << "the kept event is armed again";
    CloseBoard(boards, state, ReadEventOnClose::Close);
    EXPECT_EQ(boards.OpenEvents(), 0);
    EXPECT_EQ(state.ReadEvent, kNoHandle);
    EXPECT_EQ(state.ReadOverlapped.hEvent, kNoHandle);
    ASSERT_TRUE(OpenBoard(boards, state, "A"));
    EXPECT_EQ(boards.EventsCreated(), 2);
    CloseBoard(boards, state, ReadEventOnClose::Close);
    EXPECT_EQ(boards.TotalOpenHandles() + boards.OpenEvents(), 0);
    EXPECT_EQ(boards.BadCloses(), 0);
}

// The guard holds the board's lock for its scope, and says whether a lock it could not have was
// held elsewhere (busy) or refused for a fault.
TEST_F(DeviceProceduresTest, BoardWriteLockHoldsTheBoardForItsScope) {
    const BoardId a = Define("A");
    ASSERT_TRUE(OpenBoard(boards, state, "A"));
    WindowState other{};
    ASSERT_TRUE(OpenBoard(boards, other, "A"));
    {
        const BoardWriteLock held(boards, state.DeviceHandle);
        EXPECT_TRUE(held.Taken());
        const BoardWriteLock waiting(boards, other.DeviceHandle);
        EXPECT_FALSE(waiting.Taken());
        EXPECT_TRUE(waiting.Busy());
        EXPECT_EQ(boards.ClockMilliseconds(), kWriteLockWaitMilliseconds);
    }
    EXPECT_TRUE(BoardWriteLock(boards, other.DeviceHandle).Taken()) << "let go with the scope";
    boards.SetLockHeldElsewhere(a, true);
    EXPECT_TRUE(BoardWriteLock(boards, state.DeviceHandle, 10).Busy());
    const BoardWriteLock refused(boards, kInvalidHandle);
    EXPECT_FALSE(refused.Taken());
    EXPECT_FALSE(refused.Busy()) << "no handle is a fault, not a busy board";
    EXPECT_EQ(boards.ClockMilliseconds(), kWriteLockWaitMilliseconds + 10);
    CloseBoard(boards, state);
    CloseBoard(boards, other);
}

TEST_F(DeviceProceduresTest, WalkNotesNameTheBoardsThatRefusedTheOpen) {
    const BoardId mouse = Define("mouse", 0x046D);
    const BoardId told = Define("R1");
    Define("A");
    sim::SimBoardConfig config = SaneBoard("R2");
    config.idsTold = false;
    const BoardId untold = boards.DefineBoard(config);
    boards.Attach(untold);
    for (const BoardId refusing : {mouse, told, untold})
        boards.SetFailing(refusing, SimCall::Open, true);
    WalkNotes notes;
    std::vector<std::string> seen;
    WalkInterfaces(
        boards, state,
        [&](const std::string& serial) {
            seen.push_back(serial);
            return BoardVerdict::Close;
        },
        &notes);
    EXPECT_EQ(seen, std::vector<std::string>{"A"});
    EXPECT_EQ(notes.refusedBoardPaths,
              (std::vector<std::string>{boards.DevicePathOf(told), boards.DevicePathOf(untold)}))
        << "another product's refusal is no board's";
}

TEST_F(DeviceProceduresTest, OpenBoardReachesEachBoardOfASharedSerialNumberInTurn) {
    std::vector<BoardId> shared;
    for (const char* name : {"A", "B", "C"}) {
        sim::SimBoardConfig config = SaneBoard(name);
        config.serial = name[0] == 'B' ? u"X" : u"S";
        shared.push_back(boards.DefineBoard(config));
        boards.Attach(shared.back());
    }
    for (const auto& [skip, board] : {std::pair{0, shared[0]}, std::pair{1, shared[2]}}) {
        ASSERT_TRUE(OpenBoard(boards, state, "S", skip)) << "skip " << skip;
        EXPECT_EQ(state.DevicePath, boards.DevicePathOf(board)) << "skip " << skip;
        EXPECT_EQ(boards.OpenHandles(board), 2);
        CloseBoard(boards, state);
    }
    EXPECT_FALSE(OpenBoard(boards, state, "S", 2));
    EXPECT_FALSE(OpenBoard(boards, state, "s"));
    EXPECT_EQ(boards.TotalOpenHandles(), 0);
    EXPECT_EQ(boards.BadCloses(), 0);
}

} // namespace
} // namespace tensilo::device
