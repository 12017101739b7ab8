// Input reports from hidraw nodes: one report per read() of a node, framed with its report ID as
// Windows frames it, and the waits for them, on one node or on several at once with one poll().
#include "device/hidraw/hidraw_hid_api.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace tensilo::device {

std::span<const std::uint8_t> HidrawHidApi::ReadNodeReport(Device& open, int& error) {
    error = 0;
    std::uint8_t* const data = readScratch_.data() + 1;
    ssize_t count = -1;
    do {
        count = ::read(open.Fd, data, readScratch_.size() - 1);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        error = errno;
    if (count <= 0)
        return {};
    // An unnumbered report gets the 0 in front that Windows puts there.
    if (!open.NumberedReports) {
        readScratch_[0] = 0;
        return std::span<const std::uint8_t>(readScratch_.data(),
                                             static_cast<std::size_t>(count) + 1);
    }
    return std::span<const std::uint8_t>(data, static_cast<std::size_t>(count));
}

std::int32_t HidrawHidApi::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                                    std::uint32_t& bytesRead, Overlapped& overlapped) {
    bytesRead = 0;
    Device* open = Find<Device>(device);
    if (open == nullptr)
        return Fail("not an open device handle");

    std::size_t used = 0;
    const auto place = [&](std::span<const std::uint8_t> report) {
        if (report.size() > buffer.size() - used)
            return false;
        std::copy(report.begin(), report.end(), buffer.begin() + static_cast<std::ptrdiff_t>(used));
        used += report.size();
        return true;
    };
    bool more = open->Held.empty() || place(open->Held);
    if (more)
        open->Held.clear();
    // hidraw hands out one report per read and drops whatever of it the read has no room for,
    // so each read offers room for the longest report, and a report the caller's buffer cannot
    // take is held back for the next call. EAGAIN: no report waits. EIO or ENODEV: the device was
    // unplugged; whatever was read before still goes to the caller, and the next read fails.
    int readError = 0;
    while (more) {
        const std::span<const std::uint8_t> report = ReadNodeReport(*open, readError);
        if (report.empty())
            break;
        more = place(report);
        if (!more)
            open->Held.assign(report.begin(), report.end());
    }

    if (used == 0) {
        if (readError != 0)
            return FailWithErrno(readError);
        return Fail(open->Held.empty()
                        ? "the device sent an empty report"
                        : "the waiting report does not fit into the bytes asked for");
    }
    bytesRead = static_cast<std::uint32_t>(used);
    overlapped.Internal = 0; // STATUS_SUCCESS
    overlapped.InternalHigh = bytesRead;
    return 1;
}

std::int32_t HidrawHidApi::ReadFilesWithTimeout(std::span<InputRead> reads,
                                                std::uint32_t timeoutMilliseconds) {
    if (!ClearInputReads(reads))
        return Fail("more reads than one wait can take");
    // A report held back from the last read is waiting already, and a value that is no open
    // device has its failure to tell: either ends the wait at once. poll passes over the -1.
    std::array<pollfd, kMaxInputReads> nodes{};
    bool told = false;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const Device* open = Find<Device>(reads[i].device);
        nodes[i] = pollfd{open != nullptr ? open->Fd : -1, POLLIN, 0};
        told = told || open == nullptr || !open->Held.empty();
    }
    const int wait =
        told ? 0 : static_cast<int>(std::min<std::uint32_t>(timeoutMilliseconds, INT_MAX));
    if (::poll(nodes.data(), reads.size(), wait) < 0) {
        const int error = errno;
        // A signal ends the wait (poll is never restarted after one): the caller decides whether
        // to go on, and nothing is read but what was held back.
        if (error != EINTR)
            return FailWithErrno(error);
        for (pollfd& node : std::span(nodes).first(reads.size()))
            node.revents = 0;
    }
    std::optional<FailureRecord> lastFailed;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        FillRead(reads[i], nodes[i].revents);
        if (reads[i].result == 0)
            lastFailed = lastFailure_;
    }
    // The reason for the last request that failed, not for a later one that found nothing.
    if (lastFailed)
        lastFailure_ = lastFailed;
    return 1;
}

void HidrawHidApi::FillRead(InputRead& read, short revents) {
    const Device* open = Find<Device>(read.device);
    if (open == nullptr) {
        Fail("not an open device handle");
        return;
    }
    // Neither readable nor gone, nor holding a report: nothing waits.
    if (revents == 0 && open->Held.empty()) {
        read.result = 1;
        return;
    }
    // Readable, or an error or hang-up of an unplugged device: the read tells which.
    Overlapped unkept;
    read.result = ReadFile(read.device, read.buffer, read.bytesRead,
                           read.overlapped != nullptr ? *read.overlapped : unkept);
    // The node woke the wait but had nothing after all: an ordinary end of the wait.
    if (read.result == 0 && lastFailure_ &&
        lastFailure_->kind == SystemFailure::Kind::NothingWaiting)
        read.result = 1;
}

} // namespace tensilo::device
