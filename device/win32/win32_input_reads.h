// Overlapped reads of input reports on Windows, the one home of both Win32 reads (ReadFile, and
// the waits over one device or several). A read that is pending owns the caller's buffer and its
// request: it is ended before either is released or reused, by cancelling it (CancelIoEx) and
// waiting for it (GetOverlappedResult). A report that arrives between the two completes the read
// normally, so that no report is lost.
#pragma once

#include "device/hid_api.h"

#include "device/win32/windows_headers.h"

#include <span>

namespace tensilo::device {

// What a read brought when it ended.
struct ReadOutcome {
    bool ok = false;
    DWORD transferred = 0;    // bytes read, when it succeeded
    DWORD error = 0;          // GetLastError's code, when it failed
    bool nothingCame = false; // it failed only because it was cancelled before a report came
};

// One overlapped read, from its start to its end. Not copied or moved: Windows holds on to the
// request while the read is pending.
class OverlappedRead {
public:
    OverlappedRead() = default;
    ~OverlappedRead();
    OverlappedRead(const OverlappedRead&) = delete;
    OverlappedRead& operator=(const OverlappedRead&) = delete;

    // Starts a read of `buffer` on `file`, with the offsets and the event of `record` (none when
    // `record` is null).
    void Begin(HANDLE file, std::span<std::uint8_t> buffer, const Overlapped* record);
    // Whether the read has ended: completed, failed at once, or cancelled.
    bool Ended() const;
    // What a wait for it waits on: its event, or without one the file handle, which Windows
    // signals when the read completes.
    HANDLE Signalled() const;
    // Ends the read: cancels it when it is still pending and waits until it has ended. Gives the
    // request's status to `record` (when there is one). A second call gives the same outcome.
    ReadOutcome End(Overlapped* record);

private:
    HANDLE file_ = nullptr;
    OVERLAPPED request_{};
    bool begun_ = false;
    bool failedAtOnce_ = false; // ReadFile refused the read: it never started
    bool ended_ = false;
    ReadOutcome outcome_;
};

// Waits up to `wait` milliseconds until one of `reads` (all begun) has ended; at once when one has
// already. False when the system failed the wait: GetLastError tells why. With no read at all, the
// time passes.
bool WaitForAnyRead(std::span<const OverlappedRead> reads, DWORD wait);

} // namespace tensilo::device
