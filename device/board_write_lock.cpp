#include "device/board_write_lock.h"

namespace tensilo::device {

BoardWriteLock::BoardWriteLock(HidApi& hid, Handle device, std::uint32_t timeoutMilliseconds)
    : hid_(hid), device_(device) {
    taken_ = hid_.TakeWriteLock(device_, timeoutMilliseconds) != 0;
    if (!taken_) {
        const auto failure = hid_.LastFailure();
        busy_ = failure && failure->kind == SystemFailure::Kind::Busy;
    }
}

BoardWriteLock::~BoardWriteLock() {
    if (taken_)
        hid_.ReleaseWriteLock(device_);
}

} // namespace tensilo::device
