// tensiloctl's command line: any arguments give the help, the version, one mistake in words, or
// an invocation that holds only what the commands can take. Input: the arguments, each ended by a
// zero byte (the last one by the input's end).
#include "fuzz_check.h"

#include "protocol/gain_items.h"
#include "tools/tensiloctl/command_line.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace tensilo::ctl;
using tensilo::protocol::kChannels;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    using Outcome = ParsedCommandLine::Outcome;
    FUZZ_CHECK((parsed.outcome == Outcome::Mistake) == !parsed.message.empty());
    // A mistake is one line: what the user typed in it is escaped.
    FUZZ_CHECK(parsed.message.find('\n') == std::string::npos);
    if (parsed.outcome != Outcome::Run)
        return 0;

    const Invocation& invocation = parsed.invocation;
    FUZZ_CHECK(!(invocation.board && invocation.all));
    FUZZ_CHECK(!invocation.count || *invocation.count >= 1);
    FUZZ_CHECK(!invocation.timeLimitMs || (*invocation.timeLimitMs >= 1 &&
                                           *invocation.timeLimitMs <= kLongestWatchSeconds * 1000));
    FUZZ_CHECK(!invocation.board || !invocation.board->empty());
    const bool takesFile =
        invocation.command == Command::Save || invocation.command == Command::Load;
    FUZZ_CHECK(takesFile == !invocation.file.empty());
    FUZZ_CHECK((invocation.command == Command::Set) == !invocation.gains.empty());
    // The gains, each channel at most once, in the channels' order, each among the 2560.
    std::size_t next = 0;
    for (const GainChoice& gain : invocation.gains) {
        FUZZ_CHECK(gain.item >= 0 && gain.item < tensilo::protocol::kGainItemCount);
        while (next < kChannels.size() && kChannels[next] != gain.channel)
            ++next;
        FUZZ_CHECK(next < kChannels.size());
        ++next;
    }
    // What only some commands take is set only for them.
    if (invocation.all)
        FUZZ_CHECK(invocation.command == Command::Set || invocation.command == Command::Defaults ||
                   invocation.command == Command::Load || invocation.command == Command::Watch ||
                   invocation.command == Command::Test);
    if (invocation.json)
        FUZZ_CHECK(invocation.command == Command::List || invocation.command == Command::Show ||
                   invocation.command == Command::Test);
    if (invocation.csv || invocation.count || invocation.timeLimitMs)
        FUZZ_CHECK(invocation.command == Command::Watch);
    FUZZ_CHECK(invocation.command != Command::Help);
    return 0;
}
