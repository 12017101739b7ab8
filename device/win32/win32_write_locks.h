// The boards' write locks on Windows: a named mutex per device, named after its interface path in
// the session's namespace (WriteLockName), taken and let go for one device handle at a time.
//
// A mutex belongs to a thread, and a thread that owns it takes it again at once: two handles of
// one board used on one thread would both "hold" it. A process-wide table of the locks held, by
// name, keeps the lock per handle, as flock keeps it per open file on Linux: another handle on the
// same thread waits the time it is given and fails. A mutex whose owner ended without letting it
// go (WAIT_ABANDONED) is taken: that owner's writes ended with it.
#pragma once

#include "device/hid_api.h"

#include "device/win32/windows_headers.h"

#include <map>
#include <string>

namespace tensilo::device {

class Win32WriteLocks {
public:
    enum class Outcome {
        Done,        // taken, or let go
        Busy,        // held elsewhere for the whole wait
        NotDevice,   // no device handle opened through this backend
        NotHeld,     // the handle holds no lock to let go
        OtherThread, // let go on another thread than the one that took it
        SystemError, // the system failed the call: GetLastError tells why
    };

    Win32WriteLocks() = default;
    ~Win32WriteLocks();
    Win32WriteLocks(const Win32WriteLocks&) = delete;
    Win32WriteLocks& operator=(const Win32WriteLocks&) = delete;

    // A device handle was opened on `path`, or is being closed: a lock it holds is let go, or, on
    // another thread than its owner's, left to be found abandoned.
    void Opened(Handle device, const std::string& path);
    void Closing(Handle device);

    Outcome Take(Handle device, DWORD timeoutMilliseconds);
    Outcome Release(Handle device);

private:
    struct DeviceLock {
        std::string name;
        HANDLE mutex = nullptr; // while this handle holds the lock
        DWORD thread = 0;       // the thread that took it
    };

    std::map<Handle, DeviceLock> devices_;
};

} // namespace tensilo::device
