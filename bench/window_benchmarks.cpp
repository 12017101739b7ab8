// tensilo-bench: the costs of the window's work over simulated boards, on the real window (shown,
// on Qt's offscreen platform unless a display is set).
//
//   BM_ReadBackSettings  one whole read-back with a board open: three gain lists of 2560 items
//                        set (each text made when shown), the device strings, the settings report
//   BM_PollTick          one timer tick over a full read (142 reports of 7 bytes), the newest drawn
//                        as three bars with the three yields to the event loop
//   BM_PollTickWithoutRepaint  the same tick with yields that do nothing: the tick without drawing
//   BM_ScanAndOpen       Scan_USB_devices and FindTheHid over one board of the product among 30
//                        other HID interfaces
//   BM_GainSelection     one user's choice in a gain list, with its three register writes
//   BM_ItemTexts         the 2560 gain item texts
//
// Work that only prepares the next iteration (queueing reports, closing the board, letting the
// window repaint after a read-back or a choice) runs with the timing paused.
#include "app/frm_main.h"
#include "bench/bench_support.h"
#include "device/sim/simulated_boards.h"
#include "protocol/gain_items.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>

#include <array>
#include <memory>
#include <string>
#include <utility>

namespace {

using namespace tensilo;
using device::sim::SaneBoard;
using device::sim::SimBoardConfig;
using device::sim::SimulatedBoards;

constexpr std::size_t kReportsPerFullRead = 142; // 142 x 7 = 994 of the 1000 bytes read
constexpr int kOtherInterfaces = 30;

// Set when a benchmark found the window not doing what it measures: the program then exits with 1,
// so that a smoke run fails.
bool g_failed = false;

void Fail(benchmark::State& state, const char* what) {
    g_failed = true;
    state.SkipWithError(what);
}

// Lets the window handle what is pending (repaints above all) before the next iteration.
void SettleWindow() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Counts the paint events of one widget. Not a child of the widget: it lives on the stack.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    std::int64_t paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return QObject::eventFilter(watched, event);
    }

private:
    std::int64_t paints_ = 0;
};

// The window as the program runs it, started with Form_Load over the boards given; its timer is
// fired by hand, and its yields run the Qt event loop once, as the program's do, unless another
// yield is given.
struct Bench {
    SimulatedBoards boards;
    std::unique_ptr<app::FrmMain> window;

    void Start(app::FrmMain::YieldFunction yield = {}) {
        window = std::make_unique<app::FrmMain>(boards, app::TimerControl::Mode::Manual, std::move(yield));
        window->Form_Load();
        SettleWindow();
    }
    bool BoardOpen() const { return window->state().DeviceDetected == kTrue; }
    // Closes the open board's two handles, as a lost board's are closed.
    void CloseBoard() {
        boards.CloseHandle(window->state().DeviceHandle);
        boards.CloseHandle(window->state().ReadHandle);
    }
};

void BM_ReadBackSettings(benchmark::State& state) {
    Bench bench;
    bench.boards.Attach(bench.boards.DefineBoard(SaneBoard("A")));
    bench.Start();
    if (!bench.BoardOpen())
        return Fail(state, "the board was not opened");
    for (auto _ : state) {
        bench.window->ReadBackSettings();
        state.PauseTiming();
        SettleWindow();
        state.ResumeTiming();
    }
    if (bench.window->LC_gain.count() != protocol::kGainItemCount ||
        bench.window->LC_gain.listIndex() != 2292)
        Fail(state, "the read-back did not fill the lists from the board's settings");
}
BENCHMARK(BM_ReadBackSettings)->Unit(benchmark::kMillisecond);

// One tick over a full read. With `repaint`, the window's own yields run the event loop, which
// repaints the bar just moved; without, the yields do nothing and the repaints wait, outside the
// timing, for the next iteration: the difference is the cost of drawing.
void PollTick(benchmark::State& state, bool repaint) {
    Bench bench;
    const auto board = bench.boards.DefineBoard(SaneBoard("A"));
    bench.boards.Attach(board);
    bench.Start(repaint ? app::FrmMain::YieldFunction{} : app::FrmMain::YieldFunction([] {}));
    if (!bench.BoardOpen())
        return Fail(state, "the board was not opened");
    PaintCounter barPaints(bench.window->LC_bar.widget());
    std::array<std::uint8_t, 7> report{};
    std::int64_t tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!repaint)
            SettleWindow();
        // 141 older reports and the newest, whose values change from tick to tick so that each
        // tick moves, and repaints, all three bars.
        for (std::size_t i = 0; i < kReportsPerFullRead; ++i) {
            const auto value = static_cast<std::uint16_t>(tick % 2 == 0 ? 0x4000 + i : 0xC000 - i);
            report = {0, static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8),
                      static_cast<std::uint8_t>(~value & 0xFF), static_cast<std::uint8_t>(~value >> 8),
                      static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 9)};
            bench.boards.QueueReport(board, report);
        }
        ++tick;
        state.ResumeTiming();
        bench.window->Timer.fire();
    }
    if (!bench.BoardOpen() || bench.window->Timer.interval() != app::PollInterval)
        Fail(state, "a tick lost the board");
    state.counters["bar_paints_per_tick"] =
        benchmark::Counter(static_cast<double>(barPaints.paints()), benchmark::Counter::kAvgIterations);
}

void BM_PollTick(benchmark::State& state) {
    PollTick(state, true);
}
BENCHMARK(BM_PollTick)->Unit(benchmark::kMicrosecond);

void BM_PollTickWithoutRepaint(benchmark::State& state) {
    PollTick(state, false);
}
BENCHMARK(BM_PollTickWithoutRepaint)->Unit(benchmark::kMicrosecond);

void BM_ScanAndOpen(benchmark::State& state) {
    Bench bench;
    // 30 other HID interfaces (mice, keyboards, other vendors' devices) and the board of the
    // product, plugged in last, so that the search for it walks past all of them.
    for (int i = 0; i < kOtherInterfaces; ++i) {
        SimBoardConfig other;
        other.name = "other-" + std::to_string(i);
        other.vendorId = static_cast<std::uint16_t>(0x046D + i);
        other.productId = static_cast<std::uint16_t>(0xC52B + i);
        other.serial = u"OTHER";
        bench.boards.Attach(bench.boards.DefineBoard(other));
    }
    bench.boards.Attach(bench.boards.DefineBoard(SaneBoard("A")));
    bench.Start();
    if (!bench.BoardOpen())
        return Fail(state, "the board was not opened");
    bench.CloseBoard();
    bool found = true;
    for (auto _ : state) {
        bench.window->Scan_USB_devices();
        found = bench.window->FindTheHid() && found;
        state.PauseTiming();
        bench.CloseBoard();
        SettleWindow();
        state.ResumeTiming();
    }
    if (!found || bench.window->SerNo.count() != 1 || bench.boards.TotalOpenHandles() != 0 ||
        bench.boards.BadCloses() != 0)
        Fail(state, "the scan did not find and open exactly the one board");
    state.counters["interfaces"] = kOtherInterfaces + 1;
}
BENCHMARK(BM_ScanAndOpen)->Unit(benchmark::kMicrosecond);

void BM_GainSelection(benchmark::State& state) {
    Bench bench;
    bench.boards.Attach(bench.boards.DefineBoard(SaneBoard("A")));
    bench.Start();
    if (!bench.BoardOpen())
        return Fail(state, "the board was not opened");
    const std::size_t writesBefore = bench.boards.TakenWrites().size();
    // Alternates between two gains (16 and 500), so that every choice is a change.
    constexpr std::array<int, 2> kItems = {1024, 2292};
    std::size_t pick = 0;
    for (auto _ : state) {
        bench.window->LC_gain.choose(kItems[pick]);
        pick ^= 1;
        state.PauseTiming();
        SettleWindow();
        state.ResumeTiming();
    }
    if (bench.boards.TakenWrites().size() - writesBefore != 3 * static_cast<std::size_t>(state.iterations()))
        Fail(state, "a choice did not write its three registers");
}
BENCHMARK(BM_GainSelection)->Unit(benchmark::kMicrosecond);

void BM_ItemTexts(benchmark::State& state) {
    for (auto _ : state) {
        for (int k = 0; k < protocol::kGainItemCount; ++k) {
            std::string text = protocol::GainItemText(k, ".");
            benchmark::DoNotOptimize(text);
        }
    }
    state.counters["items"] =
        benchmark::Counter(protocol::kGainItemCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ItemTexts)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    tensilo::bench::ChooseOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_failed ? 1 : 0;
}
