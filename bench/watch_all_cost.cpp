// tensilo-bench-watch-all: what `tensiloctl watch --all --csv` costs over many boards that each
// report every millisecond, and whether it loses a report. The command runs through tensiloctl's
// own entry point, in this process, over simulated boards that follow real time, its output into
// a sink that counts each board's rows and throws them away.
//
//   tensilo-bench-watch-all [BOARDS [SECONDS [PERIOD_MS]]]      (defaults: 16 10 1)
//
// Prints the rows written, each board's fewest and most, the reports the boards made, processor
// time (user + system, all threads) in all and per 1,000 rows, its share of one core, and the
// peak resident memory. Exits 1 when a board's rows fall short of the reports it made (a report
// lost) or the command failed.
#include "device/access_hint.h"
#include "device/sim/simulated_boards.h"
#include "tools/tensiloctl/ctl_run.h"
#include "tools/tensiloctl/standard_streams.h"
#include "tools/tensiloctl/stop_requests.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tensilo;

// Standard output that counts the rows of each serial number (the second CSV field).
class CountingOutput final : public ctl::OutputChannel {
public:
    const std::map<std::string, std::uint64_t>& Rows() const { return rows_; }

protected:
    int Deliver(const char* data, std::size_t size) override {
        std::string_view text(data, size);
        for (std::size_t end = text.find('\n'); end != std::string_view::npos;
             end = text.find('\n')) {
            if (partial_.empty()) {
                Count(text.substr(0, end));
            } else {
                partial_.append(text.substr(0, end));
                Count(partial_);
                partial_.clear();
            }
            text.remove_prefix(end + 1);
        }
        partial_.append(text);
        return 0;
    }

private:
    void Count(std::string_view line) {
        const std::size_t first = line.find(',');
        const std::size_t second = line.find(',', first + 1);
        if (second == std::string_view::npos || line.substr(0, first) == "time_s")
            return;
        const std::string_view serial = line.substr(first + 1, second - first - 1);
        // The boards are few: one comparison with the last one counted is mostly enough.
        if (last_ == rows_.end() || last_->first != serial)
            last_ = rows_.try_emplace(std::string(serial)).first;
        ++last_->second;
    }

    std::string partial_;
    std::map<std::string, std::uint64_t> rows_;
    std::map<std::string, std::uint64_t>::iterator last_ = rows_.end();
};

class NoStops final : public ctl::StopRequests {
public:
    int Signal() const override { return 0; }
    void Hold() override {}
    void Release() override {}
    void MakingFile(const std::string&) override {}
};

class NoInput final : public ctl::InputChannel {
public:
    Result Read(char*, std::size_t) override { return {0, 0}; }
};

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Argument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    const int boardCount = std::clamp(Argument(argc, argv, 1, 16), 1, 64);
    const int seconds = std::max(1, Argument(argc, argv, 2, 10));
    const auto period = static_cast<std::uint32_t>(std::max(1, Argument(argc, argv, 3, 1)));

    device::sim::SimulatedBoards boards;
    for (int i = 0; i < boardCount; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "TS-%05d", i);
        const auto id = boards.DefineBoard(device::sim::SaneBoard(serial));
        boards.Attach(id);
        boards.SetStreaming(id, true, period);
    }
    boards.FollowRealTime();

    NoInput input;
    CountingOutput output;
    std::ostream out(&output);
    std::ostringstream err;
    NoStops stops;
    const auto start = std::chrono::steady_clock::now();
    const auto milliseconds = [start] {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    };
    const ctl::Console console{input,
                               out,
                               output,
                               err,
                               stops,
                               milliseconds,
                               [] { return device::NoAccessHint(std::nullopt); }};
    const double processorBefore = ProcessorSeconds();
    const int status = ctl::Run({"watch", "--all", "--csv", "--seconds", std::to_string(seconds)},
                                boards, console);
    const double processor = ProcessorSeconds() - processorBefore;
    const double wall = static_cast<double>(milliseconds()) / 1e3;

    std::uint64_t rows = 0, fewest = UINT64_MAX, most = 0;
    for (const auto& [serial, count] : output.Rows()) {
        rows += count;
        fewest = std::min(fewest, count);
        most = std::max(most, count);
    }
    if (output.Rows().size() != static_cast<std::size_t>(boardCount))
        fewest = 0;
    // Each board makes a report every period from the start; the watch stops at its time limit.
    const std::uint64_t made = static_cast<std::uint64_t>(seconds) * 1000 / period;
    std::printf("%d boards, a report every %u ms each, %d s (%.2f s of wall time)\n", boardCount,
                period, seconds, wall);
    std::printf("rows: %llu; each board %llu to %llu of about %llu made\n",
                static_cast<unsigned long long>(rows), static_cast<unsigned long long>(fewest),
                static_cast<unsigned long long>(most), static_cast<unsigned long long>(made));
    std::printf("processor: %.3f s, %.3f ms per 1,000 rows, %.2f %% of one core\n", processor,
                rows > 0 ? processor * 1e6 / static_cast<double>(rows) : 0.0,
                100.0 * processor / wall);
    std::printf("peak resident memory: %.1f MiB\n", static_cast<double>(PeakKib()) / 1024.0);
    std::fputs(err.str().c_str(), stderr);
    // A board's rows may fall one short of the reports made by the last moment.
    const bool lost = fewest + 2 < made;
    if (status != 0 || lost) {
        std::printf("FAILED: %s\n", status != 0 ? "the watch failed" : "reports were lost");
        return 1;
    }
    return 0;
}
