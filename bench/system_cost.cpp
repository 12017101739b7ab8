// tensilo-bench-system: the cost of the two walks the window makes every 250 ms or 50 ms, over the
// boards the system sees (the platform's HID backend) or over simulated boards set up alike, so
// that the two can be compared on one machine (the guest of tests/kernel, where real boards are
// emulated behind the kernel's drivers).
//
//   tensilo-bench-system search|find|tick system|simulated COUNT
//
// search: Scan_USB_devices and FindTheHid with no board of the product present, among the other
//         HID interfaces (the simulated run has three, as the guest's keyboard, mouse and tablet).
// find:   the same with one board plugged in, which FindTheHid opens (its two handles are closed
//         again outside the timing); beside it, the board's own open and close, timed alone.
// tick:   one timer tick with a board open that streams a report every 10 ms, 20 ms after the
//         previous tick (two reports waiting; the simulated board gets two queued).
// Prints the median and the mean of COUNT runs in microseconds. Exits 1 when the window did not
// do what is measured (a board found while searching, none found by a find, a board lost during
// the ticks).
#include "app/frm_main.h"
#include "bench/bench_support.h"
#include "device/platform_backend.h"
#include "device/sim/simulated_boards.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tensilo;
using Clock = std::chrono::steady_clock;

void SettleWindow() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Other HID interfaces like QEMU's usb-kbd, usb-mouse and usb-tablet (vendor 0627, product 0001).
void AddOtherInterfaces(device::sim::SimulatedBoards& boards) {
    const struct {
        const char* name;
        std::uint16_t inputLength;
    } others[] = {{"keyboard", 9}, {"mouse", 5}, {"tablet", 7}};
    for (const auto& other : others) {
        device::sim::SimBoardConfig config;
        config.name = other.name;
        config.vendorId = 0x0627;
        config.productId = 0x0001;
        config.serial = u"42";
        config.manufacturer = u"QEMU";
        config.inputLength = other.inputLength;
        config.featureLength = 0;
        boards.Attach(boards.DefineBoard(config));
    }
}

// Closes the two handles FindTheHid opened, outside the timing; the window's next search opens
// them anew (FindTheHid starts from no board open).
void CloseBoardHandles(device::HidApi& hid, const WindowState& state) {
    hid.CloseHandle(state.DeviceHandle);
    hid.CloseHandle(state.ReadHandle);
}

struct Figures {
    double median = 0;
    double mean = 0;
};

Figures Summarise(std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    const std::size_t n = micros.size();
    const double median = n % 2 == 1 ? micros[n / 2] : (micros[n / 2 - 1] + micros[n / 2]) / 2;
    return {median, std::accumulate(micros.begin(), micros.end(), 0.0) / static_cast<double>(n)};
}

template <typename Work>
double Micros(Work&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 ||
        (std::string(argv[1]) != "search" && std::string(argv[1]) != "find" &&
         std::string(argv[1]) != "tick") ||
        (std::string(argv[2]) != "system" && std::string(argv[2]) != "simulated") ||
        std::atoi(argv[3]) < 1) {
        std::fprintf(stderr, "usage: tensilo-bench-system search|find|tick system|simulated COUNT\n");
        return 2;
    }
    const std::string mode = argv[1];
    const bool simulated = std::string(argv[2]) == "simulated";
    const int count = std::atoi(argv[3]);
    bench::ChooseOffscreenWithoutDisplay();
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    device::sim::SimulatedBoards simBoards;
    std::unique_ptr<device::HidApi> systemHid;
    device::sim::BoardId board = 0;
    if (simulated) {
        AddOtherInterfaces(simBoards);
        if (mode != "search") {
            board = simBoards.DefineBoard(device::sim::SaneBoard("A"));
            simBoards.Attach(board);
        }
    } else {
        systemHid = device::MakePlatformHidApi();
    }
    device::HidApi& hid = simulated ? static_cast<device::HidApi&>(simBoards) : *systemHid;
    app::FrmMain window(hid, app::TimerControl::Mode::Manual);
    window.Form_Load();
    SettleWindow();

    std::vector<double> micros;
    std::vector<double> boardOpens;
    int faults = 0;
    const std::uint8_t report[7] = {0, 0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00};
    for (int i = 0; i < count; ++i) {
        if (mode == "search") {
            micros.push_back(Micros([&] {
                window.Scan_USB_devices();
                faults += window.FindTheHid() ? 1 : 0;
            }));
        } else if (mode == "find") {
            bool found = false;
            micros.push_back(Micros([&] {
                window.Scan_USB_devices();
                found = window.FindTheHid();
            }));
            faults += found ? 0 : 1;
            if (!found)
                continue;
            const std::string path = window.state().DevicePath;
            CloseBoardHandles(hid, window.state());
            boardOpens.push_back(Micros([&] {
                const device::Handle handle = hid.CreateFileA(
                    path, device::kGenericRead | device::kGenericWrite,
                    device::kFileShareRead | device::kFileShareWrite, {}, device::kOpenExisting, 0);
                faults += device::IsOpenHandle(handle) && hid.CloseHandle(handle) != 0 ? 0 : 1;
            }));
        } else {
            if (simulated) {
                simBoards.QueueReport(board, report);
                simBoards.QueueReport(board, report);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            micros.push_back(Micros([&] { window.Timer.fire(); }));
            faults += window.state().DeviceDetected == kTrue &&
                              window.Timer.interval() == app::PollInterval
                          ? 0
                          : 1;
        }
        SettleWindow();
    }
    const Figures figures = Summarise(micros);
    const char* faultName = mode == "search" ? "boards found"
                            : mode == "find" ? "searches that missed the board"
                                             : "ticks that lost the board";
    std::printf("%s over %s boards: median %.1f us, mean %.1f us, %d runs, %d %s\n", mode.c_str(),
                simulated ? "simulated" : "system", figures.median, figures.mean, count, faults,
                faultName);
    if (!boardOpens.empty()) {
        const Figures opens = Summarise(boardOpens);
        std::printf("the board's own open and close over %s boards: median %.1f us, mean %.1f us\n",
                    simulated ? "simulated" : "system", opens.median, opens.mean);
    }
    return faults == 0 ? 0 : 1;
}
