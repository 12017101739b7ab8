#include "harness/emulated-board/functionfs_board.h"

#include "harness/emulated-board/function_descriptors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/usb/functionfs.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace tensilo::emulated {

namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void WriteBlob(int fd, const std::vector<std::uint8_t>& blob, const char* what) {
    if (::write(fd, blob.data(), blob.size()) != static_cast<ssize_t>(blob.size()))
        throw SystemError(std::string("FunctionFS refused the ") + what);
}

std::uint16_t Le16(__le16 value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

} // namespace

FunctionfsBoard::FunctionfsBoard(BoardFirmware& firmware, const BoardOptions& options,
                                 const std::filesystem::path& mountDir)
    : firmware_(firmware), options_(options) {
    ep0_ = ::open((mountDir / "ep0").c_str(), O_RDWR | O_CLOEXEC);
    if (ep0_ < 0)
        throw SystemError("cannot open " + (mountDir / "ep0").string());
    try {
        WriteBlob(ep0_, FunctionDescriptors(firmware_.HidDescriptor()), "descriptors");
        WriteBlob(ep0_, FunctionStrings(), "strings");
        ep1_ = ::open((mountDir / "ep1").c_str(), O_WRONLY | O_CLOEXEC);
        if (ep1_ < 0)
            throw SystemError("cannot open " + (mountDir / "ep1").string());
    } catch (...) {
        ::close(ep0_);
        throw;
    }
}

FunctionfsBoard::~FunctionfsBoard() {
    ::close(ep1_);
    ::close(ep0_);
}

void FunctionfsBoard::RunControl(const std::atomic<bool>& stopping) {
    // A read returns whole events; a setup request, when there is one, is the last of them.
    usb_functionfs_event events[4];
    while (!stopping) {
        const auto got = ::read(ep0_, events, sizeof events);
        if (got < 0) {
            if (errno != EINTR) {
                std::fprintf(stderr, "%s: ep0: %s\n", options_.name.c_str(), std::strerror(errno));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            continue;
        }
        const auto count = static_cast<std::size_t>(got) / sizeof events[0];
        for (std::size_t i = 0; i < count; ++i) {
            if (events[i].type != FUNCTIONFS_SETUP)
                continue;
            const usb_ctrlrequest& request = events[i].u.setup;
            HandleSetup({request.bRequestType, request.bRequest, Le16(request.wValue),
                         Le16(request.wIndex), Le16(request.wLength)});
        }
    }
}

void FunctionfsBoard::HandleSetup(const SetupPacket& setup) {
    const bool hostReads = (setup.requestType & 0x80) != 0;
    ControlAnswer answer = firmware_.Answer(setup);
    switch (answer.kind) {
    case ControlAnswer::Kind::Reply:
        // Never more than the host asked for (the firmware trims), so the host reads it all.
        if (::write(ep0_, answer.data.data(), answer.data.size()) < 0)
            std::fprintf(stderr, "%s: reply: %s\n", options_.name.c_str(), std::strerror(errno));
        return;
    case ControlAnswer::Kind::Acknowledge:
        if (::read(ep0_, nullptr, 0) == 0)
            firmware_.TakeData(setup, {});
        return;
    case ControlAnswer::Kind::ReceiveData: {
        std::vector<std::uint8_t> data(setup.length);
        const auto got = ::read(ep0_, data.data(), data.size());
        if (got != static_cast<ssize_t>(data.size()))
            return; // the transfer broke off: nothing taken
        const auto report = firmware_.TakeData(setup, data);
        if (!report.empty())
            Log(report);
        return;
    }
    case ControlAnswer::Kind::Stall:
        // FunctionFS stalls a request when ep0 is used against the request's direction.
        if (hostReads)
            (void)!::read(ep0_, nullptr, 0);
        else
            (void)!::write(ep0_, nullptr, 0);
        return;
    }
}

void FunctionfsBoard::Log(const std::vector<std::uint8_t>& report) {
    if (options_.logPath.empty())
        return;
    std::string line = options_.name;
    for (const auto byte : report) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        line += hex;
    }
    line += '\n';
    // One append per line, so that two boards logging to one file never interleave their lines.
    const int fd = ::open(options_.logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::fprintf(stderr, "%s: cannot log to %s: %s\n", options_.name.c_str(),
                     options_.logPath.c_str(), std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
}

void FunctionfsBoard::RunStream(const std::atomic<bool>& stopping, const std::atomic<bool>& paused) {
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(options_.intervalMs);
    std::uint32_t sequence = 0;
    // The first report goes out one interval after the start, like every later one.
    auto next = Clock::now() + interval;
    while (!stopping) {
        // In short steps, so that a stop never waits for a long interval to pass.
        if (Clock::now() < next) {
            std::this_thread::sleep_for(std::min<Clock::duration>(next - Clock::now(),
                                                                   std::chrono::milliseconds(50)));
            continue;
        }
        next += interval;
        if (paused)
            continue;
        const auto report = firmware_.InputReport(sequence);
        // Blocks until the host polls the endpoint; while nobody has the board open, that is
        // until it is opened. Fails while the board is unplugged: try again at the next report.
        if (::write(ep1_, report.data(), report.size()) == static_cast<ssize_t>(report.size()))
            ++sequence;
        next = std::max(next, Clock::now());
    }
}

} // namespace tensilo::emulated
