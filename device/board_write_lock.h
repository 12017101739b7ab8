// The board's write lock held for a stretch of work: a gain's three register writes, or all the
// writes of a command and the read-back after them, so that another program writing the same
// board takes its turn before or after, never in between.
#pragma once

#include "device/hid_api.h"

#include <cstdint>

namespace tensilo::device {

// How long a program waits for another to let a board's write lock go. A gain's writes take a few
// milliseconds; a board busy for longer than this counts as refusing the write.
inline constexpr std::uint32_t kWriteLockWaitMilliseconds = 2000;

// Takes the write lock on `device` (a board's synchronous handle, DeviceHandle) when made, waiting
// at most `timeoutMilliseconds`, and lets it go when it goes, on every path out of the scope that
// holds it. Made and destroyed on one thread. Closing the handle first lets the lock go as well;
// the release then fails harmlessly. One guard per handle at a time: a second one inside the first
// would take nothing (the handle holds the lock already) and let it go when it went.
class BoardWriteLock {
public:
    BoardWriteLock(HidApi& hid, Handle device,
                   std::uint32_t timeoutMilliseconds = kWriteLockWaitMilliseconds);
    ~BoardWriteLock();
    BoardWriteLock(const BoardWriteLock&) = delete;
    BoardWriteLock& operator=(const BoardWriteLock&) = delete;

    // Whether the lock is held: the work may go on.
    bool Taken() const { return taken_; }
    // Whether it was not taken because another holder kept it for the whole wait (a busy board),
    // rather than for a fault of the handle or the system.
    bool Busy() const { return busy_; }

private:
    HidApi& hid_;
    Handle device_;
    bool taken_ = false;
    bool busy_ = false;
};

} // namespace tensilo::device
