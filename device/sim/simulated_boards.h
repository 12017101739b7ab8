// Simulated Tensilo boards behind the HID interface: deterministic, single-threaded and, unless
// told to follow real time, without it. Each board answers as a real one does: its strings, its
// settings report (changed by the register writes it takes), its queued input reports; any call
// can be switched to fail, and boards can be plugged in and out at any moment. The steering face
// (SimSteering) plugs, queues and reads back what the program did; it also keeps an account of
// handles, so that tests can check that every handle is closed exactly once. A failed call leaves
// a reason, as a system's backend does: an open switched to fail stands for one refused to this
// user, the commonest reason a real board's open fails.
//
// Each board has one write lock, shared by every handle of this instance (as flock's lock is
// shared by every open of a node), which the steering face can also hand to "another program".
// A take that finds it held lets its whole wait pass (on the clock moved by hand, the clock moves
// on by the wait; in real time, it sleeps) and fails. A handle's lock goes when the handle is
// closed and when the board is unplugged.
//
// In streaming mode a board makes its own input reports from an explicit clock instead of a
// queue: one report every period of simulated time (10 ms unless set), a load-cell signal (a slow
// wave plus noise, scaled by the load applied and by the gain the board holds) and two drifting
// potentiometers. The clock is moved by hand (AdvanceClock, and a waiting read, which moves it on
// to the next report of the boards it waits on or to the end of its wait), or follows real time
// (FollowRealTime), and then a waiting read sleeps until then.
//
// Faults of a board beyond a failing call, for tests of what a program makes of them: a register
// that keeps some bits of what is written as they were (IgnoreRegisterBits), and a board pulled
// out at a given call (UnplugAtCall).
#pragma once

#include "device/hid_api.h"
#include "device/sim/signal_generator.h"
#include "device/sim/sim_steering.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tensilo::device::sim {

class SimulatedBoards final : public HidApi, public SimSteering {
public:
    SimulatedBoards() = default;

    // HidApi
    void HidD_GetHidGuid(Guid& guid) override;
    Handle SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) override;
    std::int32_t SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid,
                                             std::uint32_t memberIndex,
                                             InterfaceData& data) override;
    std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                  std::span<std::uint8_t> detail,
                                                  std::uint32_t& requiredSize) override;
    std::int32_t GetInterfaceIds(Handle set, const InterfaceData& data, const std::string& path,
                                 InterfaceIds& ids) override;
    std::int32_t SetupDiDestroyDeviceInfoList(Handle set) override;
    Handle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                       const SecurityAttributes& security, std::uint32_t disposition,
                       std::uint32_t flags) override;
    std::int32_t HidD_GetAttributes(Handle device, Attributes& attributes) override;
    std::int32_t HidD_GetSerialNumberString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetManufacturerString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) override;
    std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& data) override;
    std::int32_t HidP_GetCaps(PreparsedData data, HidCaps& caps) override;
    std::int32_t HidD_FreePreparsedData(PreparsedData data) override;
    std::int32_t HidD_GetFeature(Handle device, std::span<std::uint8_t> report) override;
    std::int32_t HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) override;
    Handle CreateEventA(const SecurityAttributes& security, bool manualReset,
                        bool initialState) override;
    std::int32_t ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                          Overlapped& overlapped) override;
    std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                      std::uint32_t timeoutMilliseconds) override;
    std::int32_t CloseHandle(Handle handle) override;
    std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) override;
    std::int32_t ReleaseWriteLock(Handle device) override;
    std::optional<SystemFailure> LastFailure() const override;

    // SimSteering
    BoardId DefineBoard(const SimBoardConfig& config) override;
    std::size_t BoardCount() const override { return boards_.size(); }
    const SimBoardConfig& Config(BoardId board) const override { return boards_.at(board).config; }
    void Attach(BoardId board) override;
    void Detach(BoardId board) override;
    bool IsAttached(BoardId board) const override;
    void QueueReport(BoardId board, std::span<const std::uint8_t> bytes) override;
    void QueueUnplug(BoardId board) override;
    void SetSettingsReport(BoardId board, std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> SettingsReport(BoardId board) const override;
    void SetFailing(BoardId board, SimCall call, bool failing) override;
    void SetLockHeldElsewhere(BoardId board, bool held) override;
    // One call fails and the rest go on as before: the call of this kind on the board's open
    // handles (or, for SimCall::Open, the open of its path) that comes after `succeedFirst`
    // others fails, once.
    void FailOneCall(BoardId board, SimCall call, int succeedFirst = 0);
    // The board is pulled out at a call, counted as FailOneCall counts: the call of this kind that
    // comes after `succeedFirst` others unplugs it as Detach does and fails, and so does every
    // call after it.
    void UnplugAtCall(BoardId board, SimCall call, int succeedFirst);
    // Register `reg` (0 to 8) keeps the bits of `mask` as they were when a register write sets it:
    // a stuck bit, or a register the board does not implement whole. The write is taken all the
    // same. A mask of 0 makes the register whole again.
    void IgnoreRegisterBits(BoardId board, std::uint8_t reg, std::uint8_t mask);
    int OpenHandles(BoardId board) const override;
    int TimesOpened(BoardId board) const override { return boards_.at(board).timesOpened; }
    int TotalOpenHandles() const override;
    int EventsCreated() const override { return eventsCreated_; }
    int OpenEvents() const override;
    int BadCloses() const override { return badCloses_; }
    const std::vector<TakenWrite>& TakenWrites() const override { return takenWrites_; }

    // Streaming mode (for the demo): a report every `periodMs` milliseconds (0 counts as 1), the
    // first one period from now.
    static constexpr std::uint32_t kDefaultStreamingPeriodMs = 10;
    void SetStreaming(BoardId board, bool streaming,
                      std::uint32_t periodMs = kDefaultStreamingPeriodMs);
    void SetLoad(BoardId board, double load);
    double Load(BoardId board) const;
    // Moves the simulated clock forward; streaming boards make one report per period.
    void AdvanceClock(std::uint64_t milliseconds);
    // Lets the clock follow real time from now on, never going back: each read first moves the
    // clock on by the time passed, so that reports appear as time passes without a timer driving
    // the clock, and a waiting read sleeps.
    void FollowRealTime();
    std::uint64_t ClockMilliseconds() const { return clockMs_; }
    // Called with the clock's new time whenever it moves on, also inside a waiting read: a test
    // can make something happen at a moment of simulated time, as a signal would.
    void WhenClockMoves(std::function<void(std::uint64_t)> observer) {
        clockObserver_ = std::move(observer);
    }

    // The device path of a board, as the enumeration reports it.
    std::string DevicePathOf(BoardId board) const;

private:
    struct QueuedRead {
        std::vector<std::uint8_t> bytes; // empty: a read that succeeds with 0 bytes
        bool unplug = false;             // the board is pulled out here
    };
    static std::array<int, kSimCallCount> MakeNoOneFailure() {
        std::array<int, kSimCallCount> none{};
        none.fill(-1);
        return none;
    }
    struct Board {
        SimBoardConfig config;
        std::vector<std::uint8_t> settings;
        std::array<bool, kSimCallCount> failing{};
        // For FailOneCall: the calls still to succeed before the one that fails, or -1 for none.
        std::array<int, kSimCallCount> callsBeforeOneFailure = MakeNoOneFailure();
        // For UnplugAtCall: the calls still to succeed before the one that unplugs, or -1.
        std::array<int, kSimCallCount> callsBeforeUnplug = MakeNoOneFailure();
        // For IgnoreRegisterBits: per register, the bits a write leaves as they were.
        std::array<std::uint8_t, 9> ignoredBits{};
        std::deque<QueuedRead> queue;
        std::string path;
        bool attached = false;
        std::uint64_t attachSerial = 0; // order of attachment, for enumeration
        bool streaming = false;
        std::uint64_t streamingPeriodMs = kDefaultStreamingPeriodMs;
        SignalGenerator signal;
        std::uint64_t lastReportMs = 0;
        int timesOpened = 0;
        Handle lockHolder = kNoHandle; // the handle that holds the write lock
        bool lockHeldElsewhere = false;
    };
    enum class HandleKind { Set, Device, Event };
    struct HandleEntry {
        HandleKind kind = HandleKind::Device;
        BoardId board = 0;
        bool stale = false;              // the board was unplugged after the open
        std::vector<BoardId> setMembers; // for a Set: the boards present when it was taken
    };

    Handle NewHandle(HandleEntry entry);
    // Keeps the reason for the call that is failing and returns the failure value 0.
    std::int32_t Fail(const char* reason, SystemFailure::Kind kind = SystemFailure::Kind::Failed);
    // The board of an open device handle whose board is still plugged in, or none.
    Board* AnsweringBoard(Handle device);
    // The same, unless `call` fails for it (switched to fail, failing once, or unplugging it).
    Board* LiveBoard(Handle device, SimCall call);
    // Why the call of this kind fails on the board now, or nullptr: counts the call for
    // FailOneCall and UnplugAtCall, and unplugs the board when it is the call to do so.
    const char* CallFault(Board& board, SimCall call);
    std::int32_t WriteString(Handle device, SimCall call, std::span<std::uint8_t> buffer);
    void MakeStreamingReports(Board& board);
    // The moment of the board's next report, when it streams.
    std::optional<std::uint64_t> NextReportMs(const Board& board) const;
    // Makes the boards' streaming reports due by now; whether any of them has something queued.
    bool AnyReportWaiting(std::span<Board* const> boards);
    // Fills a request of a wait that has ended: a board that `answered` all along hands out what
    // it holds, as a read does.
    void FillRead(InputRead& read, bool answered);
    // Hands out the board's queue from its front, which must hold something, as a read does.
    std::int32_t TakeQueuedReports(Board& board, std::span<std::uint8_t> buffer,
                                   std::uint32_t& bytesRead);
    // Moves the clock on to real time, when it follows it.
    void CatchUpClock();
    // Lets `milliseconds` pass: on the clock moved by hand, or asleep in real time.
    void LetTimePass(std::uint64_t milliseconds);
    std::vector<std::uint8_t> StreamingReport(Board& board);

    std::vector<Board> boards_;
    std::map<Handle, HandleEntry> handles_;
    std::map<PreparsedData, HidCaps> preparsed_;
    std::vector<TakenWrite> takenWrites_;
    Handle nextHandle_ = 0x100;
    PreparsedData nextPreparsed_ = 0x7000;
    std::uint64_t attachCounter_ = 0;
    std::uint64_t clockMs_ = 0;
    // Set while the clock follows real time: the moment it started to, and the clock then.
    std::optional<std::chrono::steady_clock::time_point> realTimeStart_;
    std::uint64_t realTimeStartMs_ = 0;
    std::function<void(std::uint64_t)> clockObserver_;
    // Moves the clock on to `milliseconds` (never back) and tells the observer.
    void SetClock(std::uint64_t milliseconds);
    int eventsCreated_ = 0;
    int badCloses_ = 0;
    std::optional<FailureRecord> lastFailure_;
};

} // namespace tensilo::device::sim
