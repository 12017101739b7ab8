// Why a platform call failed, in the system's own words: errno's text on Linux, GetLastError's
// message on Windows. Every HID backend that talks to a system keeps the reason for the last call
// that failed and answers through HidApi::LastFailure; tools ask right after a call returned its
// failure value. The window's procedures never need it: they act on the result alone, as the
// program always has.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tensilo::device {

class HidApi;

struct SystemFailure {
    enum class Kind {
        Failed,         // the call failed for the reason given
        AccessDenied,   // the system refused this user the device (EACCES, EPERM, access denied)
        NothingWaiting, // a read found no input report ready: a poll's ordinary answer, no fault
        NoMoreItems,    // an enumeration ran past its last interface: a walk's ordinary end
        Busy,           // the board's write lock stayed held elsewhere for the whole wait
    };
    Kind kind = Kind::Failed;
    std::string reason;
    // For an open refused for access: the vendor and product of the device behind the path, when
    // the system tells them without opening it (both 0 when it does not).
    std::uint16_t refusedVendorId = 0;
    std::uint16_t refusedProductId = 0;
};

// The reason every backend gives for a write lock that stayed held elsewhere for the whole wait.
inline constexpr const char* kWriteLockBusyReason =
    "the board is busy: its write lock is held elsewhere";

// A failure as a backend records it on each failed call, a poll's ordinary "nothing waiting" among
// them: nothing is allocated, and the text is made only when someone asks.
struct FailureRecord {
    SystemFailure::Kind kind = SystemFailure::Kind::Failed;
    const char* text = ""; // the backend's own words, used when there is no error number
    int error = 0;         // errno, when the system gave one
    std::uint16_t refusedVendorId = 0;
    std::uint16_t refusedProductId = 0;

    SystemFailure Describe() const;
};

// Whether the failure is an ordinary answer rather than a fault.
bool IsOrdinaryAnswer(const SystemFailure& failure);

// The reason for the last failed call as one line of text, or "no reason given".
std::string LastFailureText(const HidApi& hid);

// Whether the last failed call was an open refused for this user.
bool AccessDenied(const HidApi& hid);

// Whether the last failed call was an open refused for this user on a device of the given vendor
// and product.
bool AccessRefusedTo(const HidApi& hid, std::uint16_t vendorId, std::uint16_t productId);

} // namespace tensilo::device
