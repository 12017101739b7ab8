#include "tools/tensiloctl/row_queue.h"

namespace tensilo::ctl {

RowQueue::RowQueue(std::size_t capacityBytes)
    : capacityRows_(capacityBytes / sizeof(WatchRow) > 0 ? capacityBytes / sizeof(WatchRow) : 1) {}

void RowQueue::Push(const std::vector<WatchRow>& rows) {
    if (rows.empty())
        return;
    {
        const std::lock_guard lock(mutex_);
        for (const WatchRow& row : rows) {
            if (rows_.size() < capacityRows_ || row.boardLost)
                rows_.push_back(row);
            else
                ++dropped_;
        }
    }
    rowsOrEnd_.notify_one();
}

void RowQueue::EndReading() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    rowsOrEnd_.notify_one();
}

bool RowQueue::Take(std::vector<WatchRow>& rows) {
    rows.clear();
    std::unique_lock lock(mutex_);
    rowsOrEnd_.wait(lock, [&] { return !rows_.empty() || ended_; });
    rows.assign(rows_.begin(), rows_.end());
    rows_.clear();
    return !rows.empty() || !ended_;
}

std::uint64_t RowQueue::Dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace tensilo::ctl
