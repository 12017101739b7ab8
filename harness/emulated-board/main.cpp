// tensilo-emulated-board: the Tensilo board's firmware, emulated on a Linux USB gadget through
// configfs and FunctionFS, so that the host's own USB, HID and hidraw drivers see a board. It
// plugs itself in (binds to the named device controller) once its descriptors are in place, and
// pulls itself out on SIGTERM or SIGINT. SIGUSR1 pauses its stream of input reports, SIGUSR2
// resumes it.
#include "harness/emulated-board/board_firmware.h"
#include "harness/emulated-board/board_options.h"
#include "harness/emulated-board/functionfs_board.h"
#include "harness/emulated-board/gadget_configfs.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <pthread.h>
#include <stdexcept>
#include <sys/mount.h>
#include <thread>

namespace {

using namespace tensilo::emulated;
namespace fs = std::filesystem;

// Interrupts a thread blocked in a transfer: its handler does nothing, and it is installed
// without SA_RESTART so that the transfer returns EINTR.
constexpr int kWakeSignal = SIGALRM;
void IgnoreWake(int) {}

// The FunctionFS instance of the gadget's function, mounted for as long as the board lives.
class FunctionfsMount {
public:
    FunctionfsMount(const std::string& instance, fs::path directory) : directory_(std::move(directory)) {
        fs::create_directories(directory_);
        if (::mount(instance.c_str(), directory_.c_str(), "functionfs", 0, nullptr) != 0)
            throw std::runtime_error("cannot mount FunctionFS " + instance + " on " +
                                     directory_.string() + ": " + std::strerror(errno));
    }
    ~FunctionfsMount() {
        ::umount(directory_.c_str());
        std::error_code ignored;
        fs::remove(directory_, ignored);
    }
    FunctionfsMount(const FunctionfsMount&) = delete;
    FunctionfsMount& operator=(const FunctionfsMount&) = delete;
    const fs::path& Directory() const { return directory_; }

private:
    fs::path directory_;
};

int Run(const BoardOptions& options) {
    sigset_t handled;
    sigemptyset(&handled);
    for (const int signal : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2})
        sigaddset(&handled, signal);
    // Every thread inherits this mask, so the signals above reach only the sigwait below.
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    struct sigaction wake {};
    wake.sa_handler = IgnoreWake;
    sigaction(kWakeSignal, &wake, nullptr);

    BoardFirmware firmware(options);
    ConfigfsGadget gadget("/sys/kernel/config", options);
    FunctionfsMount mount(gadget.FunctionName(),
                          fs::temp_directory_path() / ("ffs-" + gadget.FunctionName()));
    FunctionfsBoard board(firmware, options, mount.Directory());
    gadget.Bind();

    std::atomic<bool> stopping = false;
    std::atomic<bool> paused = false;
    std::atomic<int> running = 2;
    std::thread control([&] {
        board.RunControl(stopping);
        --running;
    });
    std::thread stream([&] {
        board.RunStream(stopping, paused);
        --running;
    });

    for (;;) {
        int signal = 0;
        sigwait(&handled, &signal);
        if (signal == SIGUSR1)
            paused = true;
        else if (signal == SIGUSR2)
            paused = false;
        else
            break;
    }
    gadget.Unbind();
    stopping = true;
    // A thread may enter its transfer just after a wake: wake again until both have finished.
    while (running > 0) {
        pthread_kill(control.native_handle(), kWakeSignal);
        pthread_kill(stream.native_handle(), kWakeSignal);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    control.join();
    stream.join();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::printf("usage: tensilo-emulated-board --name NAME --udc UDC [option]...\n%s",
                    BoardOptionsUsage().c_str());
        return 0;
    }
    const auto parsed = ParseBoardOptions(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "tensilo-emulated-board: %s\n", error->c_str());
        return 2;
    }
    try {
        return Run(std::get<BoardOptions>(parsed));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tensilo-emulated-board: %s\n", error.what());
        return 1;
    }
}
