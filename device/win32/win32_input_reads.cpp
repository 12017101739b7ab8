#include "device/win32/win32_input_reads.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tensilo::device {

OverlappedRead::~OverlappedRead() {
    // A read never outlives its request, whatever path left it pending.
    if (begun_ && !ended_)
        End(nullptr);
}

void OverlappedRead::Begin(HANDLE file, std::span<std::uint8_t> buffer, const Overlapped* record) {
    file_ = file;
    request_ = OVERLAPPED{};
    if (record != nullptr) {
        request_.Offset = record->Offset;
        request_.OffsetHigh = record->OffsetHigh;
        request_.hEvent = reinterpret_cast<HANDLE>(record->hEvent);
    }
    begun_ = true;
    ended_ = false;
    outcome_ = ReadOutcome{};
    // ReadFile resets the request's event when it begins; it is signalled when the read ends.
    // Buffer lengths are DWORDs: a longer span is offered as far as a DWORD reaches.
    const DWORD length =
        static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
    failedAtOnce_ = !::ReadFile(file, buffer.data(), length, nullptr, &request_) &&
                    ::GetLastError() != ERROR_IO_PENDING;
    if (failedAtOnce_)
        outcome_.error = ::GetLastError();
}

bool OverlappedRead::Ended() const {
    return !begun_ || ended_ || failedAtOnce_ || HasOverlappedIoCompleted(&request_);
}

HANDLE OverlappedRead::Signalled() const {
    return request_.hEvent != nullptr ? request_.hEvent : file_;
}

ReadOutcome OverlappedRead::End(Overlapped* record) {
    if (begun_ && !ended_ && !failedAtOnce_) {
        if (!HasOverlappedIoCompleted(&request_))
            ::CancelIoEx(file_, &request_);
        DWORD transferred = 0;
        outcome_.ok = ::GetOverlappedResult(file_, &request_, &transferred, TRUE) != FALSE;
        outcome_.transferred = outcome_.ok ? transferred : 0;
        outcome_.error = outcome_.ok ? 0 : ::GetLastError();
        outcome_.nothingCame = !outcome_.ok && outcome_.error == ERROR_OPERATION_ABORTED;
    }
    ended_ = true;
    if (record != nullptr) {
        record->Internal = static_cast<std::uint32_t>(request_.Internal);
        record->InternalHigh = static_cast<std::uint32_t>(request_.InternalHigh);
    }
    return outcome_;
}

bool WaitForAnyRead(std::span<const OverlappedRead> reads, DWORD wait) {
    // INFINITE is 0xFFFFFFFF: the longest wait asked for stays finite.
    wait = std::min<DWORD>(wait, INFINITE - 1);
    if (reads.empty()) {
        ::Sleep(wait);
        return true;
    }
    if (wait == 0 || std::any_of(reads.begin(), reads.end(),
                                 [](const OverlappedRead& read) { return read.Ended(); }))
        return true;
    std::array<HANDLE, MAXIMUM_WAIT_OBJECTS> objects{};
    const std::size_t count = std::min(reads.size(), objects.size());
    for (std::size_t i = 0; i < count; ++i)
        objects[i] = reads[i].Signalled();
    return ::WaitForMultipleObjects(static_cast<DWORD>(count), objects.data(), FALSE, wait) !=
           WAIT_FAILED;
}

} // namespace tensilo::device
