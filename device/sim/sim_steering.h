// The second face of the simulated boards: how tests and tools plug boards in and out, make calls
// fail, queue input reports, and read back what the program did to the boards.
#pragma once

#include "device/sim/sim_board.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tensilo::device::sim {

using BoardId = std::size_t;

// One feature report that a board took.
struct TakenWrite {
    BoardId board = 0;
    std::vector<std::uint8_t> report;
};

class SimSteering {
public:
    virtual ~SimSteering() = default;

    // Defines a board, not attached yet; ids count from 0 in definition order.
    virtual BoardId DefineBoard(const SimBoardConfig& config) = 0;
    virtual std::size_t BoardCount() const = 0;
    virtual const SimBoardConfig& Config(BoardId board) const = 0;

    // Plugs the board in; it is enumerated after every board attached before it. Does nothing
    // for an attached board.
    virtual void Attach(BoardId board) = 0;
    // Unplugs the board: it is no longer enumerated, every call on a handle of it still open
    // fails from now on (closing still succeeds), and its queued input reports are dropped.
    virtual void Detach(BoardId board) = 0;
    virtual bool IsAttached(BoardId board) const = 0;

    // Queues one input report, exactly these bytes; an empty span queues a read that succeeds
    // with 0 bytes. Dropped for a board that is not attached.
    virtual void QueueReport(BoardId board, std::span<const std::uint8_t> bytes) = 0;
    // Queues an unplug behind the reports queued so far: the read that reaches it, having taken
    // no report before it, unplugs the board as Detach does and fails. Dropped for a board that
    // is not attached.
    virtual void QueueUnplug(BoardId board) = 0;
    // The board's settings report becomes these bytes, cut or zero-padded to its feature length.
    virtual void SetSettingsReport(BoardId board, std::span<const std::uint8_t> bytes) = 0;
    virtual std::vector<std::uint8_t> SettingsReport(BoardId board) const = 0;
    virtual void SetFailing(BoardId board, SimCall call, bool failing) = 0;
    // Another program takes the board's write lock (from now on, also across an unplug) or lets
    // it go. While it holds it, a take on any handle of the board waits its time and fails.
    virtual void SetLockHeldElsewhere(BoardId board, bool held) = 0;

    // Device handles open on the board now, and in all; successful opens of the board since it
    // was defined (both kinds).
    virtual int OpenHandles(BoardId board) const = 0;
    virtual int TimesOpened(BoardId board) const = 0;
    virtual int TotalOpenHandles() const = 0;
    // Events created since the start, events open now, and closes of a value that was not an open
    // handle.
    virtual int EventsCreated() const = 0;
    virtual int OpenEvents() const = 0;
    virtual int BadCloses() const = 0;
    // Every feature report a board took with a register write, oldest first.
    virtual const std::vector<TakenWrite>& TakenWrites() const = 0;
};

} // namespace tensilo::device::sim
