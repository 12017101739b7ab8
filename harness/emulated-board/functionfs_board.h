// The board on its FunctionFS endpoints: ep0 carries the control requests of its interface,
// ep1 its input reports. Each loop runs on its own thread until `stopping` is set; a signal
// sent to the thread interrupts a transfer it is blocked in.
#pragma once

#include "harness/emulated-board/board_firmware.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

namespace tensilo::emulated {

class FunctionfsBoard {
public:
    // `mountDir` holds the mounted FunctionFS instance. Opens ep0 and writes the function's
    // descriptors, then opens ep1. Throws std::runtime_error when FunctionFS refuses them.
    FunctionfsBoard(BoardFirmware& firmware, const BoardOptions& options,
                    const std::filesystem::path& mountDir);
    ~FunctionfsBoard();
    FunctionfsBoard(const FunctionfsBoard&) = delete;
    FunctionfsBoard& operator=(const FunctionfsBoard&) = delete;

    // Answers control requests until `stopping`.
    void RunControl(const std::atomic<bool>& stopping);
    // Sends an input report every interval, unless `paused`, until `stopping`.
    void RunStream(const std::atomic<bool>& stopping, const std::atomic<bool>& paused);

private:
    void HandleSetup(const SetupPacket& setup);
    void Log(const std::vector<std::uint8_t>& report);

    BoardFirmware& firmware_;
    BoardOptions options_;
    int ep0_ = -1;
    int ep1_ = -1;
};

} // namespace tensilo::emulated
