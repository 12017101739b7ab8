#include "device/win32/win32_write_locks.h"

#include "device/write_lock_name.h"

#include <algorithm>
#include <mutex>

namespace tensilo::device {

namespace {

// The locks held in this process, by name, and the thread that holds each.
struct HeldLocks {
    std::mutex guard;
    std::map<std::string, DWORD> threads;
};

HeldLocks& Held() {
    static HeldLocks held;
    return held;
}

bool HeldOnThisThread(const std::string& name) {
    HeldLocks& held = Held();
    const std::lock_guard<std::mutex> lock(held.guard);
    const auto found = held.threads.find(name);
    return found != held.threads.end() && found->second == ::GetCurrentThreadId();
}

void MarkHeld(const std::string& name, bool isHeld) {
    HeldLocks& held = Held();
    const std::lock_guard<std::mutex> lock(held.guard);
    if (isHeld)
        held.threads[name] = ::GetCurrentThreadId();
    else
        held.threads.erase(name);
}

} // namespace

Win32WriteLocks::~Win32WriteLocks() {
    while (!devices_.empty())
        Closing(devices_.begin()->first);
}

void Win32WriteLocks::Opened(Handle device, const std::string& path) {
    devices_[device] = DeviceLock{WriteLockName(path), nullptr, 0};
}

void Win32WriteLocks::Closing(Handle device) {
    const auto found = devices_.find(device);
    if (found == devices_.end())
        return;
    DeviceLock& lock = found->second;
    if (lock.mutex != nullptr && lock.thread == ::GetCurrentThreadId())
        Release(device);
    // Owned by another thread, it cannot be let go from here: closing this handle of it frees the
    // name when no one else has the mutex open, and otherwise the mutex is found abandoned when
    // that thread ends. Either counts as free.
    if (lock.mutex != nullptr) {
        ::CloseHandle(lock.mutex);
        MarkHeld(lock.name, false);
    }
    devices_.erase(found);
}

Win32WriteLocks::Outcome Win32WriteLocks::Take(Handle device, DWORD timeoutMilliseconds) {
    const auto found = devices_.find(device);
    if (found == devices_.end())
        return Outcome::NotDevice;
    DeviceLock& lock = found->second;
    if (lock.mutex != nullptr)
        return Outcome::Done;
    // INFINITE is 0xFFFFFFFF: the longest wait asked for stays finite.
    const DWORD wait = std::min<DWORD>(timeoutMilliseconds, INFINITE - 1);
    // Another handle on this thread holds it: the mutex would be taken again at once, and no one
    // can let it go while this thread waits.
    if (HeldOnThisThread(lock.name)) {
        ::Sleep(wait);
        return Outcome::Busy;
    }
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, lock.name.c_str());
    if (mutex == nullptr)
        return Outcome::SystemError;
    const DWORD waited = ::WaitForSingleObject(mutex, wait);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        lock.mutex = mutex;
        lock.thread = ::GetCurrentThreadId();
        MarkHeld(lock.name, true);
        return Outcome::Done;
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex);
    ::SetLastError(error);
    return waited == WAIT_TIMEOUT ? Outcome::Busy : Outcome::SystemError;
}

Win32WriteLocks::Outcome Win32WriteLocks::Release(Handle device) {
    const auto found = devices_.find(device);
    if (found == devices_.end() || found->second.mutex == nullptr)
        return Outcome::NotHeld;
    DeviceLock& lock = found->second;
    if (lock.thread != ::GetCurrentThreadId())
        return Outcome::OtherThread;
    const BOOL released = ::ReleaseMutex(lock.mutex);
    const DWORD error = ::GetLastError();
    ::CloseHandle(lock.mutex);
    lock.mutex = nullptr;
    MarkHeld(lock.name, false);
    ::SetLastError(error);
    return released ? Outcome::Done : Outcome::SystemError;
}

} // namespace tensilo::device
