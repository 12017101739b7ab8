#include "tools/tensiloctl/watch.h"

#include "protocol/input_report.h"
#include "tools/tensiloctl/board_choice.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace tensilo::ctl {

namespace {

// Milliseconds as seconds with three decimals: 12 gives "0.012".
std::string SecondsText(std::uint64_t milliseconds) {
    std::string decimals = std::to_string(milliseconds % 1000);
    return std::to_string(milliseconds / 1000) + "." + std::string(3 - decimals.size(), '0') +
           decimals;
}

int Watch(device::HidApi& hid, const Invocation& invocation, const Console& console,
          const BoardTarget& target, WindowState& state) {
    const std::size_t reportLength = state.Capabilities.InputReportByteLength;
    if (reportLength < protocol::kMinInputReportLength) {
        console.Say(target.serial + "'s input reports (" + std::to_string(reportLength) +
                    " bytes) are too short to hold the three values");
        return kBoardFault;
    }

    std::ostream& out = console.out;
    const char separator = invocation.csv ? ',' : '\t';
    if (invocation.csv)
        out << "time_s,load_cell,pot1,pot2\n" << std::flush;
    // The window's read buffer: 1000 bytes asked for, of 1001.
    std::array<std::uint8_t, protocol::kInputBufferSize> buffer{};
    const auto request = std::span(buffer).first(protocol::kInputReadLength);
    const std::uint64_t start = console.milliseconds();
    std::uint64_t rows = 0;
    bool lost = false;
    while (!console.stop && out && (!invocation.count || rows < *invocation.count)) {
        const std::uint64_t now = console.milliseconds();
        std::uint64_t wait = kLongestWaitMs;
        if (invocation.milliseconds) {
            const std::uint64_t end = start + *invocation.milliseconds;
            if (now >= end)
                break;
            wait = std::min(wait, end - now);
        }
        std::uint32_t bytesRead = 0;
        if (hid.ReadFileWithTimeout(state.ReadHandle, request, bytesRead, state.ReadOverlapped,
                                    static_cast<std::uint32_t>(wait)) == 0) {
            lost = true;
            break;
        }
        // Every whole report the read returned, each stamped with the time it was read.
        const std::string time = SecondsText(console.milliseconds() - start);
        const auto read = std::span<const std::uint8_t>(buffer).first(
            std::min<std::size_t>(bytesRead, request.size()));
        for (std::size_t at = 0; at + reportLength <= read.size(); at += reportLength) {
            if (invocation.count && rows == *invocation.count)
                break;
            const auto sample = protocol::DecodeInputReport(read, at);
            if (!sample)
                break;
            out << time << separator << sample->LoadCellValue << separator << sample->Pot1Value
                << separator << sample->Pot2Value << '\n';
            ++rows;
        }
        // Written as they come, so that a reader sees each report when it is read; a reader that
        // has gone (a closed pipe) ends the watch.
        out.flush();
    }
    out.flush();
    if (lost) {
        console.Say(target.serial + " was lost while it was watched: unplugged, or it stopped "
                                    "answering");
        return kBoardFault;
    }
    return kDone;
}

} // namespace

int WatchBoard(device::HidApi& hid, const Invocation& invocation, const Console& console) {
    return WithChosenBoard(hid, invocation.board, console,
                           [&](const BoardTarget& target, WindowState& state) {
                               return Watch(hid, invocation, console, target, state);
                           });
}

} // namespace tensilo::ctl
