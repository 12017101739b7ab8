// How often an output bar tells assistive technology (a screen reader) that its value changed.
// The bars are redrawn at every poll, up to 20 times a second, and their samples move all the
// time; a screen reader sent every change would queue them up and talk of nothing else. A bar
// therefore announces a change at most once per kMinimumGap: a change that comes sooner is held
// back, and the newest value is announced when the gap has passed (the caller asks again then).
// The value itself is always current for a reader that asks for it.
#pragma once

#include <chrono>
#include <optional>

namespace tensilo::app {

class ValueChangeGate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kMinimumGap = std::chrono::milliseconds(500);

    struct Decision {
        bool announce = false;                     // send a change event for the value now
        std::optional<Clock::duration> askAgainIn; // a change is held back: offer again after this
    };

    // The bar now shows `value`, at time `now`.
    Decision Offer(int value, Clock::time_point now);
    // The held-back change's time has come: the newest value offered, offered again.
    Decision Retry(Clock::time_point now) { return Offer(latest_, now); }

private:
    int latest_ = 0;
    int announced_ = 0; // what assistive technology was last told; a bar starts at 0
    std::optional<Clock::time_point> announcedAt_;
};

} // namespace tensilo::app
