#include "app/value_change_gate.h"

namespace tensilo::app {

ValueChangeGate::Decision ValueChangeGate::Offer(int value, Clock::time_point now) {
    latest_ = value;
    if (value == announced_)
        return {};
    if (announcedAt_ && now - *announcedAt_ < kMinimumGap)
        return {false, *announcedAt_ + kMinimumGap - now};
    announced_ = value;
    announcedAt_ = now;
    return {true, std::nullopt};
}

} // namespace tensilo::app
