#include "device/sim/simulated_boards.h"

#include "device/detail_record.h"

#include "protocol/register_write.h"
#include "protocol/settings_report.h"
#include "protocol/unicode_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace tensilo::device::sim {

namespace {

constexpr std::int32_t kHidpStatusInvalidPreparsedData = static_cast<std::int32_t>(0xC0110001u);

std::vector<std::uint8_t> InitialSettings(const SimBoardConfig& config) {
    std::vector<std::uint8_t> report(config.featureLength, 0);
    std::array<std::uint8_t, 12> head{0x00, protocol::kSettingsMarker, 0x00};
    std::copy(config.registers.begin(), config.registers.end(), head.begin() + 3);
    std::copy_n(head.begin(), std::min(head.size(), report.size()), report.begin());
    return report;
}

} // namespace

SimBoardConfig SaneBoard(const std::string& name) {
    SimBoardConfig config;
    config.name = name;
    config.serial = std::u16string(name.begin(), name.end());
    return config;
}

// --- steering ---------------------------------------------------------------------------------

BoardId SimulatedBoards::DefineBoard(const SimBoardConfig& config) {
    Board board;
    board.config = config;
    board.settings = InitialSettings(config);
    char path[128];
    std::snprintf(path, sizeof path,
                  "\\\\?\\hid#vid_%04x&pid_%04x#sim&%zu#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  config.vendorId, config.productId, boards_.size());
    board.path = path;
    board.signal = SignalGenerator(static_cast<std::uint32_t>(boards_.size() * 7919 + 17));
    boards_.push_back(std::move(board));
    return boards_.size() - 1;
}

void SimulatedBoards::Attach(BoardId id) {
    Board& board = boards_.at(id);
    if (board.attached)
        return;
    board.attached = true;
    board.attachSerial = ++attachCounter_;
    board.lastReportMs = clockMs_;
}

void SimulatedBoards::Detach(BoardId id) {
    Board& board = boards_.at(id);
    if (!board.attached)
        return;
    board.attached = false;
    board.queue.clear();
    board.lockHolder = kNoHandle;
    for (auto& [handle, entry] : handles_)
        if (entry.kind == HandleKind::Device && entry.board == id)
            entry.stale = true;
}

bool SimulatedBoards::IsAttached(BoardId id) const {
    return boards_.at(id).attached;
}

void SimulatedBoards::QueueReport(BoardId id, std::span<const std::uint8_t> bytes) {
    Board& board = boards_.at(id);
    if (!board.attached)
        return;
    board.queue.push_back({std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
}

void SimulatedBoards::QueueUnplug(BoardId id) {
    Board& board = boards_.at(id);
    if (!board.attached)
        return;
    board.queue.push_back({{}, true});
}

void SimulatedBoards::SetSettingsReport(BoardId id, std::span<const std::uint8_t> bytes) {
    Board& board = boards_.at(id);
    board.settings.assign(board.config.featureLength, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), board.settings.size()), board.settings.begin());
}

std::vector<std::uint8_t> SimulatedBoards::SettingsReport(BoardId id) const {
    return boards_.at(id).settings;
}

void SimulatedBoards::FailOneCall(BoardId id, SimCall call, int succeedFirst) {
    boards_.at(id).callsBeforeOneFailure[static_cast<std::size_t>(call)] = std::max(succeedFirst, 0);
}

void SimulatedBoards::UnplugAtCall(BoardId id, SimCall call, int succeedFirst) {
    boards_.at(id).callsBeforeUnplug[static_cast<std::size_t>(call)] = std::max(succeedFirst, 0);
}

void SimulatedBoards::IgnoreRegisterBits(BoardId id, std::uint8_t reg, std::uint8_t mask) {
    boards_.at(id).ignoredBits.at(reg) = mask;
}

void SimulatedBoards::SetFailing(BoardId id, SimCall call, bool failing) {
    boards_.at(id).failing[static_cast<std::size_t>(call)] = failing;
}

void SimulatedBoards::SetLockHeldElsewhere(BoardId id, bool held) {
    boards_.at(id).lockHeldElsewhere = held;
}

int SimulatedBoards::OpenHandles(BoardId id) const {
    return static_cast<int>(std::count_if(handles_.begin(), handles_.end(), [&](const auto& item) {
        return item.second.kind == HandleKind::Device && item.second.board == id;
    }));
}

int SimulatedBoards::TotalOpenHandles() const {
    return static_cast<int>(std::count_if(handles_.begin(), handles_.end(), [](const auto& item) {
        return item.second.kind != HandleKind::Event;
    }));
}

int SimulatedBoards::OpenEvents() const {
    return static_cast<int>(handles_.size()) - TotalOpenHandles();
}

void SimulatedBoards::SetStreaming(BoardId id, bool streaming, std::uint32_t periodMs) {
    Board& board = boards_.at(id);
    board.streaming = streaming;
    board.streamingPeriodMs = std::max<std::uint32_t>(periodMs, 1);
    board.lastReportMs = clockMs_;
}

void SimulatedBoards::SetLoad(BoardId id, double load) {
    boards_.at(id).signal.SetLoad(load);
}

double SimulatedBoards::Load(BoardId id) const {
    return boards_.at(id).signal.Load();
}

void SimulatedBoards::AdvanceClock(std::uint64_t milliseconds) {
    SetClock(clockMs_ + milliseconds);
}

void SimulatedBoards::SetClock(std::uint64_t milliseconds) {
    if (milliseconds <= clockMs_)
        return;
    clockMs_ = milliseconds;
    if (clockObserver_)
        clockObserver_(clockMs_);
}

void SimulatedBoards::FollowRealTime() {
    realTimeStart_ = std::chrono::steady_clock::now();
    realTimeStartMs_ = clockMs_;
}

void SimulatedBoards::CatchUpClock() {
    if (!realTimeStart_)
        return;
    const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - *realTimeStart_);
    SetClock(realTimeStartMs_ + static_cast<std::uint64_t>(passed.count()));
}

void SimulatedBoards::LetTimePass(std::uint64_t milliseconds) {
    if (!realTimeStart_) {
        SetClock(clockMs_ + milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    CatchUpClock();
}

std::string SimulatedBoards::DevicePathOf(BoardId id) const {
    return boards_.at(id).path;
}

// --- handles ----------------------------------------------------------------------------------

Handle SimulatedBoards::NewHandle(HandleEntry entry) {
    const Handle handle = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(handle, std::move(entry));
    return handle;
}

std::int32_t SimulatedBoards::Fail(const char* reason, SystemFailure::Kind kind) {
    lastFailure_ = FailureRecord{kind, reason, 0, 0, 0};
    return 0;
}

std::optional<SystemFailure> SimulatedBoards::LastFailure() const {
    if (!lastFailure_)
        return std::nullopt;
    return lastFailure_->Describe();
}

SimulatedBoards::Board* SimulatedBoards::AnsweringBoard(Handle device) {
    const auto found = handles_.find(device);
    if (found == handles_.end() || found->second.kind != HandleKind::Device) {
        Fail("not an open device handle");
        return nullptr;
    }
    Board& board = boards_.at(found->second.board);
    if (found->second.stale || !board.attached) {
        Fail("the board was unplugged");
        return nullptr;
    }
    return &board;
}

SimulatedBoards::Board* SimulatedBoards::LiveBoard(Handle device, SimCall call) {
    Board* board = AnsweringBoard(device);
    if (board == nullptr)
        return nullptr;
    if (const char* fault = CallFault(*board, call)) {
        Fail(fault);
        return nullptr;
    }
    return board;
}

const char* SimulatedBoards::CallFault(Board& board, SimCall call) {
    // A count of calls still to succeed reaches the one it stands for: that call, and no later.
    const auto reached = [](int& callsBefore) { return callsBefore >= 0 && callsBefore-- == 0; };
    const auto kind = static_cast<std::size_t>(call);
    if (board.failing[kind])
        return "the simulated board fails this call";
    if (reached(board.callsBeforeOneFailure[kind]))
        return "the simulated board fails this one call";
    if (reached(board.callsBeforeUnplug[kind])) {
        Detach(static_cast<BoardId>(&board - boards_.data()));
        return "the board was unplugged";
    }
    return nullptr;
}

std::int32_t SimulatedBoards::CloseHandle(Handle handle) {
    const auto found = handles_.find(handle);
    if (found == handles_.end()) {
        ++badCloses_;
        return Fail("not an open handle");
    }
    if (found->second.kind == HandleKind::Device) {
        Board& board = boards_.at(found->second.board);
        if (board.lockHolder == handle)
            board.lockHolder = kNoHandle;
    }
    handles_.erase(found);
    return 1;
}

// --- write locks ------------------------------------------------------------------------------

std::int32_t SimulatedBoards::TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) {
    const auto held = [&](const Board& board) {
        return board.lockHeldElsewhere ||
               (board.lockHolder != kNoHandle && board.lockHolder != device);
    };
    Board* board = AnsweringBoard(device);
    if (board == nullptr)
        return 0;
    if (held(*board)) {
        // The whole wait passes: whatever the passing time sets off (a test's observer of the
        // clock) may let the lock go, or unplug the board, meanwhile.
        LetTimePass(timeoutMilliseconds);
        board = AnsweringBoard(device);
        if (board == nullptr)
            return 0;
        if (held(*board))
            return Fail(kWriteLockBusyReason, SystemFailure::Kind::Busy);
    }
    board->lockHolder = device;
    return 1;
}

std::int32_t SimulatedBoards::ReleaseWriteLock(Handle device) {
    const auto found = handles_.find(device);
    if (found == handles_.end() || found->second.kind != HandleKind::Device ||
        boards_.at(found->second.board).lockHolder != device)
        return Fail("this handle holds no write lock");
    boards_.at(found->second.board).lockHolder = kNoHandle;
    return 1;
}

// --- enumeration ------------------------------------------------------------------------------

void SimulatedBoards::HidD_GetHidGuid(Guid& guid) {
    guid = kHidInterfaceClassGuid;
}

Handle SimulatedBoards::SetupDiGetClassDevsA(const Guid&, std::uint32_t) {
    HandleEntry set;
    set.kind = HandleKind::Set;
    for (BoardId id = 0; id < boards_.size(); ++id)
        if (boards_[id].attached)
            set.setMembers.push_back(id);
    std::sort(set.setMembers.begin(), set.setMembers.end(), [&](BoardId a, BoardId b) {
        return boards_[a].attachSerial < boards_[b].attachSerial;
    });
    return NewHandle(std::move(set));
}

std::int32_t SimulatedBoards::SetupDiEnumDeviceInterfaces(Handle set, const Guid&,
                                                          std::uint32_t memberIndex,
                                                          InterfaceData& data) {
    const auto found = handles_.find(set);
    if (found == handles_.end() || found->second.kind != HandleKind::Set ||
        data.cbSize != sizeof(InterfaceData))
        return Fail("not an interface set, or a record of the wrong size");
    if (memberIndex >= found->second.setMembers.size())
        return Fail("no more interfaces in the set", SystemFailure::Kind::NoMoreItems);
    data.InterfaceClassGuid = kHidInterfaceClassGuid;
    data.Flags = 1;
    data.Reserved = found->second.setMembers[memberIndex] + 1;
    return 1;
}

std::int32_t SimulatedBoards::SetupDiGetDeviceInterfaceDetailA(Handle set,
                                                               const InterfaceData& data,
                                                               std::span<std::uint8_t> detail,
                                                               std::uint32_t& requiredSize) {
    const auto found = handles_.find(set);
    if (found == handles_.end() || found->second.kind != HandleKind::Set || data.Reserved == 0 ||
        data.Reserved > boards_.size())
        return Fail("not an interface of this set");
    if (WriteDetailRecord(DevicePathOf(static_cast<BoardId>(data.Reserved - 1)), detail,
                          requiredSize) == 0)
        return Fail("the detail buffer is too small or its header is wrong");
    return 1;
}

std::int32_t SimulatedBoards::GetInterfaceIds(Handle set, const InterfaceData& data,
                                              const std::string&, InterfaceIds& ids) {
    const auto found = handles_.find(set);
    if (found == handles_.end() || found->second.kind != HandleKind::Set || data.Reserved == 0 ||
        data.Reserved > boards_.size())
        return Fail("not an interface of this set");
    const SimBoardConfig& config = boards_[data.Reserved - 1].config;
    if (!config.idsTold)
        return Fail("the system does not tell this board's IDs");
    ids.VendorID = config.vendorId;
    ids.ProductID = config.productId;
    return 1;
}

std::int32_t SimulatedBoards::SetupDiDestroyDeviceInfoList(Handle set) {
    const auto found = handles_.find(set);
    if (found == handles_.end() || found->second.kind != HandleKind::Set) {
        ++badCloses_;
        return Fail("not an interface set");
    }
    handles_.erase(found);
    return 1;
}

Handle SimulatedBoards::CreateFileA(const std::string& path, std::uint32_t, std::uint32_t,
                                    const SecurityAttributes&, std::uint32_t, std::uint32_t) {
    for (BoardId id = 0; id < boards_.size(); ++id) {
        const Board& board = boards_[id];
        if (!board.attached || board.path != path)
            continue;
        if (board.failing[static_cast<std::size_t>(SimCall::Open)]) {
            Fail("access denied (a simulated refusal)", SystemFailure::Kind::AccessDenied);
            lastFailure_->refusedVendorId = board.config.vendorId;
            lastFailure_->refusedProductId = board.config.productId;
            return kInvalidHandle;
        }
        if (const char* fault = CallFault(boards_[id], SimCall::Open)) {
            Fail(fault);
            return kInvalidHandle;
        }
        ++boards_[id].timesOpened;
        HandleEntry entry;
        entry.kind = HandleKind::Device;
        entry.board = id;
        return NewHandle(entry);
    }
    Fail("no board is plugged in at this path");
    return kInvalidHandle;
}

// --- device calls -----------------------------------------------------------------------------

std::int32_t SimulatedBoards::HidD_GetAttributes(Handle device, Attributes& attributes) {
    const Board* board = LiveBoard(device, SimCall::Attributes);
    if (!board)
        return 0;
    attributes.VendorID = board->config.vendorId;
    attributes.ProductID = board->config.productId;
    attributes.VersionNumber = board->config.version;
    return 1;
}

std::int32_t SimulatedBoards::WriteString(Handle device, SimCall call,
                                          std::span<std::uint8_t> buffer) {
    const Board* board = LiveBoard(device, call);
    if (!board)
        return 0;
    const std::optional<std::u16string>& text =
        call == SimCall::Serial         ? board->config.serial
        : call == SimCall::Manufacturer ? board->config.manufacturer
                                        : board->config.product;
    if (!text)
        return Fail("the board has no such string");
    protocol::WriteUtf16Le(*text, buffer);
    return 1;
}

std::int32_t SimulatedBoards::HidD_GetSerialNumberString(Handle device,
                                                         std::span<std::uint8_t> buffer) {
    return WriteString(device, SimCall::Serial, buffer);
}

std::int32_t SimulatedBoards::HidD_GetManufacturerString(Handle device,
                                                         std::span<std::uint8_t> buffer) {
    return WriteString(device, SimCall::Manufacturer, buffer);
}

std::int32_t SimulatedBoards::HidD_GetProductString(Handle device, std::span<std::uint8_t> buffer) {
    return WriteString(device, SimCall::Product, buffer);
}

std::int32_t SimulatedBoards::HidD_GetPreparsedData(Handle device, PreparsedData& data) {
    const Board* board = LiveBoard(device, SimCall::Caps);
    if (!board)
        return 0;
    HidCaps caps;
    caps.UsagePage = 0xFF00;
    caps.Usage = 0x0001;
    caps.InputReportByteLength = board->config.inputLength;
    caps.FeatureReportByteLength = board->config.featureLength;
    caps.NumberLinkCollectionNodes = 1;
    data = nextPreparsed_++;
    preparsed_.emplace(data, caps);
    return 1;
}

std::int32_t SimulatedBoards::HidP_GetCaps(PreparsedData data, HidCaps& caps) {
    const auto found = preparsed_.find(data);
    if (found == preparsed_.end()) {
        Fail("not preparsed data");
        return kHidpStatusInvalidPreparsedData;
    }
    caps = found->second;
    return kHidpStatusSuccess;
}

std::int32_t SimulatedBoards::HidD_FreePreparsedData(PreparsedData data) {
    return preparsed_.erase(data) == 1 ? 1 : Fail("not preparsed data");
}

std::int32_t SimulatedBoards::HidD_GetFeature(Handle device, std::span<std::uint8_t> report) {
    const Board* board = LiveBoard(device, SimCall::GetFeature);
    if (!board)
        return 0;
    if (report.empty() || report[0] != 0)
        return Fail("the board has no feature report of that number");
    // The settings report, cut or zero-padded to the length asked for.
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    std::copy_n(board->settings.begin(), std::min(report.size(), board->settings.size()),
                report.begin());
    return 1;
}

std::int32_t SimulatedBoards::HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) {
    Board* board = LiveBoard(device, SimCall::SetFeature);
    if (!board)
        return 0;
    if (report.empty() || report[0] != 0)
        return Fail("the board has no feature report of that number");
    if (report.size() >= protocol::kRegisterWriteMinLength &&
        report[1] == protocol::kWriteRegisterCommand && report[2] < 9) {
        const std::size_t byte = 3u + report[2];
        const std::uint8_t kept = board->ignoredBits[report[2]];
        if (byte < board->settings.size())
            board->settings[byte] =
                static_cast<std::uint8_t>((board->settings[byte] & kept) | (report[3] & ~kept));
    }
    const auto found = handles_.find(device);
    takenWrites_.push_back({found->second.board, std::vector<std::uint8_t>(report.begin(), report.end())});
    return 1;
}

Handle SimulatedBoards::CreateEventA(const SecurityAttributes&, bool, bool) {
    ++eventsCreated_;
    HandleEntry entry;
    entry.kind = HandleKind::Event;
    return NewHandle(entry);
}

} // namespace tensilo::device::sim
