#include "tools/tensiloctl/board_test.h"

#include "device/board_identity.h"
#include "protocol/hex_text.h"
#include "protocol/input_report.h"
#include "protocol/settings_report.h"
#include "tools/tensiloctl/board_text.h"
#include "tools/tensiloctl/printable_text.h"
#include "tools/tensiloctl/write_check.h"

#include <algorithm>
#include <array>
#include <functional>

namespace tensilo::ctl {

namespace {

using Verdict = CheckResult::Verdict;
using protocol::Channel;

CheckResult Pass(std::string detail) {
    return {Verdict::Pass, {}, std::move(detail)};
}
CheckResult Fail(std::string detail) {
    return {Verdict::Fail, {}, std::move(detail)};
}

std::string Hex4(std::uint16_t value) {
    return protocol::HexDigits(value >> 8, 2) + protocol::HexDigits(value & 0xFF, 2);
}

// What is wrong with a string the board must tell, or nothing.
std::string StringProblem(const std::optional<std::string>& text, const char* what) {
    if (!text)
        return std::string("no ") + what + " string";
    if (text->empty())
        return std::string("an empty ") + what + " string";
    return {};
}

CheckResult CheckIdentity(BoardSession& board) {
    const device::Attributes& attributes = board.Attributes();
    const device::BoardDetails details = board.ReadDetails();
    std::vector<std::string> problems;
    if (attributes.VendorID != device::BoardVendorId ||
        attributes.ProductID != device::BoardProductId)
        problems.push_back("IDs " + Hex4(attributes.VendorID) + ":" + Hex4(attributes.ProductID) +
                           ", not the product's " + Hex4(device::BoardVendorId) + ":" +
                           Hex4(device::BoardProductId));
    if (board.Serial().empty())
        problems.push_back("an empty serial number");
    for (const auto& [text, what] :
         {std::pair{&details.manufacturer, "manufacturer"}, std::pair{&details.product, "product"}})
        if (std::string problem = StringProblem(*text, what); !problem.empty())
            problems.push_back(problem);
    if (!problems.empty()) {
        std::string detail;
        for (const std::string& problem : problems)
            detail += (detail.empty() ? "" : ", ") + problem;
        return Fail(detail);
    }
    return Pass(Hex4(attributes.VendorID) + ":" + Hex4(attributes.ProductID) + ", serial " +
                Printable(board.Serial()) + ", \"" + Printable(*details.manufacturer) + "\", \"" +
                Printable(*details.product) + "\", version " +
                VersionText(attributes.VersionNumber));
}

CheckResult CheckReports(BoardSession& board) {
    const std::size_t input = board.Capabilities().InputReportByteLength;
    const std::size_t feature = board.Capabilities().FeatureReportByteLength;
    const std::string lengths = "input reports of " + std::to_string(input) +
                                " bytes, feature reports of " + std::to_string(feature) + " bytes";
    if (input < protocol::kMinInputReportLength || feature < protocol::kSettingsReportLength)
        return Fail(lengths + "; at least " + std::to_string(protocol::kMinInputReportLength) +
                    " and " + std::to_string(protocol::kSettingsReportLength) + " are needed");
    return Pass(lengths);
}

CheckResult CheckSettings(BoardSession& board) {
    const std::optional<std::vector<std::uint8_t>> report = board.ReadFeatureReport();
    if (!report)
        return Fail("the settings report cannot be read");
    if ((*report)[1] != protocol::kSettingsMarker)
        return Fail("the settings report's marker is " + protocol::HexDigits((*report)[1], 2) +
                    ", not " + protocol::HexDigits(protocol::kSettingsMarker, 2));
    if ((*report)[2] != 0)
        return Fail("the settings report's byte 2 is " + protocol::HexDigits((*report)[2], 2) +
                    ", not 00");
    std::string gains;
    for (const Channel channel : protocol::kChannels) {
        const auto item = protocol::SettingsItem(*report, channel);
        if (!item)
            return Fail("the registers name no gain for " +
                        std::string(protocol::ChannelName(channel)));
        gains += (gains.empty() ? "" : ", ") + std::string(protocol::ChannelName(channel)) + " " +
                 GainText(item);
    }
    return Pass(gains);
}

// The reports read over one second, and the longest time between two reads that brought some.
struct StreamCount {
    std::uint64_t reports = 0;
    std::uint64_t longestGapMs = 0;
    bool lost = false;
    bool stopped = false;
};

StreamCount CountStream(BoardSession& board, const Console& console) {
    std::array<std::uint8_t, protocol::kInputBufferSize> buffer{};
    const auto request = std::span(buffer).first(protocol::kInputReadLength);
    const std::size_t reportLength = board.Capabilities().InputReportByteLength;
    StreamCount count;
    // The second counted holds only reports that arrive in it.
    board.DropWaitingReports();
    const std::uint64_t start = console.milliseconds();
    std::uint64_t last = start;
    for (std::uint64_t now = start; now - start < kStreamCheckMs; now = console.milliseconds()) {
        if (console.stop.Signal() != 0) {
            count.stopped = true;
            return count;
        }
        std::uint32_t bytesRead = 0;
        const auto wait = std::min<std::uint64_t>(100, kStreamCheckMs - (now - start));
        if (!board.ReadInput(request, bytesRead, static_cast<std::uint32_t>(wait))) {
            count.lost = true;
            return count;
        }
        const std::size_t reports = reportLength > 0 ? bytesRead / reportLength : 0;
        if (reports == 0)
            continue;
        const std::uint64_t read = console.milliseconds();
        count.longestGapMs = std::max(count.longestGapMs, read - last);
        count.reports += reports;
        last = read;
    }
    return count;
}

CheckResult CheckStream(BoardSession& board, const Console& console, bool& stopped) {
    if (board.Capabilities().InputReportByteLength < protocol::kMinInputReportLength)
        return Fail("its input reports cannot hold the three values");
    const StreamCount count = CountStream(board, console);
    stopped = count.stopped;
    if (count.lost)
        return Fail("the board was lost while it was read");
    if (count.reports == 0)
        return Fail("no input report came in " + std::to_string(kStreamCheckMs / 1000) + " s");
    return Pass(std::to_string(count.reports) + " reports in 1 s, longest gap " +
                std::to_string(count.longestGapMs) + " ms");
}

} // namespace

int BoardTestResult::Failed() const {
    return static_cast<int>(std::count_if(checks.begin(), checks.end(), [](const CheckResult& c) {
        return c.verdict == Verdict::Fail;
    }));
}

BoardTestResult TestBoard(BoardSession& board, const Console& console) {
    BoardTestResult result;
    const std::array<std::pair<const char*, std::function<CheckResult()>>, 5> checks = {{
        {"identity", [&] { return CheckIdentity(board); }},
        {"reports", [&] { return CheckReports(board); }},
        {"settings", [&] { return CheckSettings(board); }},
        {"stream", [&] { return CheckStream(board, console, result.stopped); }},
        {"writes", [&] { return CheckWrites(board, console); }},
    }};
    for (const auto& [name, check] : checks) {
        if (result.stopped || console.stop.Signal() != 0) {
            result.stopped = true;
            break;
        }
        CheckResult checked = check();
        if (result.stopped)
            break;
        checked.name = name;
        result.checks.push_back(std::move(checked));
    }
    return result;
}

} // namespace tensilo::ctl
