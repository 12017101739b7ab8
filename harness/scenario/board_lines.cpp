#include "harness/scenario/board_lines.h"

#include "harness/text/number_text.h"
#include "protocol/hex_text.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tensilo::scenario {

using device::sim::BoardId;
using device::sim::SimCall;

namespace {

constexpr std::array<std::string_view, 9> kBoardCommands = {
    "board", "attach", "detach", "report", "settings", "fail", "heal", "hold", "release"};

} // namespace

SimCall ParseCall(const std::string& word) {
    static const std::array<std::pair<std::string_view, SimCall>, 9> kCalls = {{
        {"open", SimCall::Open},
        {"attributes", SimCall::Attributes},
        {"serial", SimCall::Serial},
        {"manufacturer", SimCall::Manufacturer},
        {"product", SimCall::Product},
        {"caps", SimCall::Caps},
        {"get-feature", SimCall::GetFeature},
        {"set-feature", SimCall::SetFeature},
        {"read", SimCall::Read},
    }};
    for (const auto& [name, call] : kCalls)
        if (name == word)
            return call;
    throw ScenarioError("unknown call: " + word);
}

namespace {

bool IsBoardName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
    });
}

void NeedWords(const std::vector<Token>& words, std::size_t least, std::size_t most,
               std::string_view usage) {
    if (words.size() < least || words.size() > most)
        throw ScenarioError("usage: " + std::string(usage));
}

std::optional<std::u16string> StringOrNone(const std::string& value) {
    if (value == "none")
        return std::nullopt;
    if (!value.empty() && value.front() == '"')
        return DecodeStringLiteral(value);
    return std::u16string(value.begin(), value.end());
}

std::array<std::uint8_t, 9> ParseRegisters(const std::string& value) {
    const auto bytes = harness::ParseHexBytes(value, ',', 9);
    if (!bytes)
        throw ScenarioError("registers: give 9 hex bytes, comma-separated");
    std::array<std::uint8_t, 9> registers{};
    std::copy(bytes->begin(), bytes->end(), registers.begin());
    return registers;
}

} // namespace

bool BoardLines::IsBoardCommand(const std::string& command) {
    return std::find(kBoardCommands.begin(), kBoardCommands.end(), command) != kBoardCommands.end();
}

BoardId BoardLines::Board(const std::string& name) const {
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found == names_.end())
        throw ScenarioError("no board called " + name);
    return static_cast<BoardId>(found - names_.begin());
}

void BoardLines::Name(BoardId board, const std::string& name) {
    if (names_.size() <= board)
        names_.resize(board + 1);
    names_[board] = name;
}

void BoardLines::Define(const std::vector<Token>& words) {
    if (words.size() < 2)
        throw ScenarioError("usage: board NAME [key=value]...");
    const std::string& name = words[1].raw;
    if (!IsBoardName(name))
        throw ScenarioError("a board's name is letters and digits: " + name);
    if (std::find(names_.begin(), names_.end(), name) != names_.end())
        throw ScenarioError("board " + name + " is defined already");
    device::sim::SimBoardConfig config = device::sim::SaneBoard(name);
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i].raw;
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == word.size())
            throw ScenarioError("expected key=value: " + word);
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        if (key == "vid")
            config.vendorId = static_cast<std::uint16_t>(ParseNumber(value, 0xFFFF, key));
        else if (key == "pid")
            config.productId = static_cast<std::uint16_t>(ParseNumber(value, 0xFFFF, key));
        else if (key == "version")
            config.version = static_cast<std::uint16_t>(ParseNumber(value, 0xFFFF, key));
        else if (key == "serial")
            config.serial = StringOrNone(value);
        else if (key == "manufacturer")
            config.manufacturer = StringOrNone(value);
        else if (key == "product")
            config.product = StringOrNone(value);
        else if (key == "input-length")
            config.inputLength = static_cast<std::uint16_t>(ParseNumber(value, 0xFFFF, key));
        else if (key == "feature-length")
            config.featureLength = static_cast<std::uint16_t>(ParseNumber(value, 0xFFFF, key));
        else if (key == "registers")
            config.registers = ParseRegisters(value);
        else if (key == "ids" && (value == "told" || value == "untold"))
            config.idsTold = value == "told";
        else if (key == "ids")
            throw ScenarioError("ids: told or untold, not " + value);
        else
            throw ScenarioError("unknown board key: " + key);
    }
    boards_.DefineBoard(config);
    names_.push_back(name);
}

void BoardLines::Execute(const std::vector<Token>& words) {
    const std::string& command = words.front().raw;
    if (command == "board") {
        Define(words);
        return;
    }
    if (!IsBoardCommand(command))
        throw ScenarioError("not a board command: " + command);
    if (words.size() < 2)
        throw ScenarioError("usage: " + command + " NAME ...");
    const BoardId board = Board(words[1].raw);
    if (command == "attach" || command == "detach") {
        NeedWords(words, 2, 2, command + " NAME");
        if (command == "attach")
            boards_.Attach(board);
        else
            boards_.Detach(board);
    } else if (command == "hold" || command == "release") {
        NeedWords(words, 2, 2, command + " NAME");
        boards_.SetLockHeldElsewhere(board, command == "hold");
    } else if (command == "report") {
        boards_.QueueReport(board, ParseByteList(words, 2));
    } else if (command == "settings") {
        boards_.SetSettingsReport(board, ParseByteList(words, 2));
    } else {
        NeedWords(words, 3, 3, command + " NAME CALL");
        boards_.SetFailing(board, ParseCall(words[2].raw), command == "fail");
    }
}

std::vector<std::string> BoardLines::TakeWriteLines() {
    const auto& writes = boards_.TakenWrites();
    std::vector<std::string> lines;
    for (std::size_t i = writesTaken_; i < writes.size(); ++i) {
        std::string text = names_.at(writes[i].board);
        for (std::uint8_t byte : writes[i].report)
            text += ' ' + protocol::HexDigits(byte, 2);
        lines.push_back(std::move(text));
    }
    writesTaken_ = writes.size();
    return lines;
}

} // namespace tensilo::scenario
