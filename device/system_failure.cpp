#include "device/system_failure.h"

#include "device/hid_api.h"

#include <system_error>

namespace tensilo::device {

SystemFailure FailureRecord::Describe() const {
    return SystemFailure{kind, error != 0 ? std::generic_category().message(error) : std::string(text),
                         refusedVendorId, refusedProductId};
}

bool IsOrdinaryAnswer(const SystemFailure& failure) {
    return failure.kind == SystemFailure::Kind::NothingWaiting ||
           failure.kind == SystemFailure::Kind::NoMoreItems;
}

std::string LastFailureText(const HidApi& hid) {
    const auto failure = hid.LastFailure();
    return failure && !failure->reason.empty() ? failure->reason : std::string("no reason given");
}

bool AccessDenied(const HidApi& hid) {
    const auto failure = hid.LastFailure();
    return failure && failure->kind == SystemFailure::Kind::AccessDenied;
}

bool AccessRefusedTo(const HidApi& hid, std::uint16_t vendorId, std::uint16_t productId) {
    const auto failure = hid.LastFailure();
    return failure && failure->kind == SystemFailure::Kind::AccessDenied &&
           failure->refusedVendorId == vendorId && failure->refusedProductId == productId;
}

} // namespace tensilo::device
