#include "tests/model/sequence_generator.h"

#include <array>
#include <cstdio>

namespace tensilo::model {

using device::sim::BoardId;

namespace {

constexpr std::array<const char*, 3> kGainLists = {"LC_gain", "Pot1", "Pot2"};
// Items where the encoding changes: exponent and fine-gain boundaries, the default 500, the last.
constexpr std::array<int, 11> kEdgeItems = {0, 1, 255, 256, 511, 767, 768, 1024, 2047, 2292, 2559};

std::string Hex2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

} // namespace

std::uint64_t Random::Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

SequenceGenerator::SequenceGenerator(std::uint64_t seed, const scenario::ScenarioRun& run,
                                     const ModelChecker& checker)
    : random_(seed), run_(run), checker_(checker) {}

// --- boards ------------------------------------------------------------------------------------

std::string SequenceGenerator::BoardLine(BoardShape& shape) {
    std::string line = "board " + shape.name;
    // Mostly distinct serial numbers; sometimes the one of the board before, an empty one, or
    // none that can be read.
    const std::uint32_t serial = random_.Below(100);
    if (serial < 12 && !boards_.empty())
        line += " serial=\"S" + boards_.back().name + "\"";
    else if (serial < 16)
        line += " serial=\"\"";
    else if (serial < 20)
        line += " serial=none";
    else
        line += " serial=\"S" + shape.name + "\"";
    if (random_.Percent(4))
        line += " vid=0x1234"; // another product's interface
    const std::uint32_t version = random_.Below(100);
    if (version < 10)
        line += " version=0x0100"; // gain controls stay disabled
    else if (version < 14)
        line += " version=0x02FF";
    const std::uint32_t input = random_.Below(100);
    shape.inputLength = input < 8 ? 9 : input < 12 ? 64 : input < 15 ? 5 : 7;
    if (shape.inputLength != 7)
        line += " input-length=" + std::to_string(shape.inputLength);
    const std::uint32_t feature = random_.Below(100);
    shape.featureLength = feature < 8 ? 20 : feature < 11 ? 64 : feature < 15 ? 8 : 17;
    if (shape.featureLength != 17)
        line += " feature-length=" + std::to_string(shape.featureLength);
    if (random_.Percent(30)) {
        // Codes 0 to 15 and shifts 0 to 4 reach every row of the read-back's table.
        line += " registers=";
        for (int r = 0; r < 9; ++r) {
            const unsigned value = r < 6 ? (r % 2 == 0 ? random_.Below(16) : random_.Below(5))
                                         : random_.Below(256);
            line += (r ? "," : "") + Hex2(value);
        }
    }
    if (random_.Percent(5))
        line += " manufacturer=none";
    if (random_.Percent(5))
        line += " product=none";
    return line;
}

std::vector<std::string> SequenceGenerator::Prelude() {
    const std::uint32_t pick = random_.Below(10);
    const int count = pick < 4 ? 1 : pick < 8 ? 2 : 3;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        BoardShape shape;
        shape.name = std::string(1, static_cast<char>('A' + i));
        lines.push_back(BoardLine(shape));
        boards_.push_back(shape);
    }
    for (const BoardShape& board : boards_)
        if (random_.Percent(75))
            lines.push_back("attach " + board.name);
    if (random_.Percent(15))
        lines.push_back(FailLine());
    lines.push_back("start");
    return lines;
}

const SequenceGenerator::BoardShape& SequenceGenerator::AnyBoard() {
    return boards_[random_.Below(static_cast<std::uint32_t>(boards_.size()))];
}

const SequenceGenerator::BoardShape& SequenceGenerator::ReportTarget() {
    if (random_.Percent(80))
        for (BoardId board = 0; board < boards_.size(); ++board)
            if (run_.boards().OpenHandles(board) == 2)
                return boards_[board];
    return AnyBoard();
}

// --- lines -------------------------------------------------------------------------------------

std::string SequenceGenerator::Bytes(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t kind = random_.Below(100);
        const unsigned value = kind < 15 ? 0x00 : kind < 30 ? 0xFF : random_.Below(256);
        text += " " + Hex2(value);
    }
    return text;
}

std::string SequenceGenerator::ReportLine(const BoardShape& board) {
    const std::size_t length = board.inputLength;
    const std::uint32_t kind = random_.Below(1000);
    std::size_t count = length;
    if (kind < 80)
        count = 0; // a read that succeeds with no bytes
    else if (kind < 160)
        count = 1 + random_.Below(static_cast<std::uint32_t>(length - 1)); // a short read
    else if (kind < 260)
        count = length + 1 + random_.Below(12);
    else if (kind < 265)
        count = 990 + random_.Below(12); // about the read's 1000 bytes, or more
    return "report " + board.name + Bytes(count);
}

std::string SequenceGenerator::SettingsLine(const BoardShape& board) {
    std::string line = "settings " + board.name;
    const std::uint32_t kind = random_.Below(100);
    // Mostly an accepted report; sometimes a wrong marker or a non-zero second byte.
    line += kind < 10 ? " 00 ED 00" : kind < 20 ? " 00 EE 01" : " 00 EE 00";
    for (int r = 0; r < 6; ++r)
        line += " " + Hex2(r % 2 == 0 ? random_.Below(16) : random_.Below(5));
    line += Bytes(3 + random_.Below(10));
    return line;
}

std::string SequenceGenerator::TickLine() {
    return random_.Percent(80) ? "tick" : "tick " + std::to_string(2 + random_.Below(3));
}

std::string SequenceGenerator::ChooseGainLine() {
    const char* list = kGainLists[random_.Below(3)];
    const int item = random_.Percent(30) ? kEdgeItems[random_.Below(kEdgeItems.size())]
                                         : static_cast<int>(random_.Below(2560));
    return std::string("choose ") + list + " " + std::to_string(item);
}

std::string SequenceGenerator::ChooseSerialLine(bool atYield) {
    // An enabled SerNo lists two boards or more, so items 0 and 1 always exist when the user can
    // choose; a choice made now may take any item the list holds.
    const app::FrmMain* window = run_.window();
    const int count = window && !atYield ? window->SerNo.count() : 0;
    const std::uint32_t items = count >= 2 ? static_cast<std::uint32_t>(count) : 2;
    return "choose SerNo " + std::to_string(random_.Below(items));
}

std::string SequenceGenerator::AttachLine() {
    std::vector<const BoardShape*> detached;
    for (BoardId board = 0; board < boards_.size(); ++board)
        if (!run_.boards().IsAttached(board))
            detached.push_back(&boards_[board]);
    if (detached.empty())
        return {};
    return "attach " + detached[random_.Below(static_cast<std::uint32_t>(detached.size()))]->name;
}

std::string SequenceGenerator::DetachLine() {
    std::vector<const BoardShape*> attached;
    for (BoardId board = 0; board < boards_.size(); ++board)
        if (run_.boards().IsAttached(board))
            attached.push_back(&boards_[board]);
    if (attached.empty())
        return {};
    return "detach " + attached[random_.Below(static_cast<std::uint32_t>(attached.size()))]->name;
}

std::string SequenceGenerator::FailLine() {
    const std::string_view call = kCallNames[random_.Below(kCallNames.size())];
    return "fail " + ReportTarget().name + " " + std::string(call);
}

std::string SequenceGenerator::HealLine() {
    const auto failing = checker_.FailingCalls();
    if (failing.empty())
        return {};
    const auto& [board, call] = failing[random_.Below(static_cast<std::uint32_t>(failing.size()))];
    return "heal " + boards_[board].name + " " +
           std::string(kCallNames[static_cast<std::size_t>(call)]);
}

std::string SequenceGenerator::ActionLine(bool atYield) {
    const std::uint32_t kind = random_.Below(100);
    if (kind < 30)
        return ChooseGainLine();
    if (kind < 40)
        return ChooseSerialLine(atYield);
    if (kind < 52)
        return "press Command1";
    if (kind < 56 && random_.Percent(30))
        return "close";
    if (kind < 63)
        return TickLine();
    if (kind < 73)
        return AttachLine();
    if (kind < 85)
        return DetachLine();
    if (kind < 92)
        return FailLine();
    return HealLine();
}

// --- steps -------------------------------------------------------------------------------------

std::vector<std::string> SequenceGenerator::Step() {
    std::vector<std::string> lines;
    const auto add = [&](std::string line) {
        if (!line.empty())
            lines.push_back(std::move(line));
    };
    const std::uint32_t kind = random_.Below(1000);
    if (kind < 190) {
        add(TickLine());
    } else if (kind < 340) {
        const BoardShape& board = ReportTarget();
        for (std::uint32_t n = 1 + random_.Below(3); n > 0; --n)
            add(ReportLine(board));
    } else if (kind < 460) {
        const BoardShape& board = ReportTarget();
        for (std::uint32_t n = 1 + random_.Below(2); n > 0; --n)
            add(ReportLine(board));
        add("tick");
    } else if (kind < 590) {
        add(ChooseGainLine());
    } else if (kind < 625) {
        add(ChooseSerialLine(false));
    } else if (kind < 660) {
        add("press Command1");
    } else if (kind < 705) {
        add(AttachLine());
    } else if (kind < 750) {
        add(DetachLine());
    } else if (kind < 785) {
        add(FailLine());
    } else if (kind < 830) {
        add(HealLine());
    } else if (kind < 850) {
        add(SettingsLine(AnyBoard()));
    } else if (kind < 995) {
        // An action inside a yield, often with what makes the next tick yield at once.
        const std::string action = ActionLine(true);
        if (!action.empty())
            add("at-yield " + std::to_string(1 + random_.Below(3)) + " " + action);
        if (random_.Percent(60)) {
            add(ReportLine(ReportTarget()));
            add("tick");
        }
    } else if (random_.Percent(40)) {
        add("close");
    }
    if (lines.empty())
        add(TickLine());
    return lines;
}

} // namespace tensilo::model
