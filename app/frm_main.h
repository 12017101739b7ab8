// frmMain, the program's one window: its controls, built from the layout table, the window-state
// record, and every handler and procedure that works on them. The procedures keep the names the
// board's tools have always given them; their bodies are spread over files by subject:
//   form_lifecycle.cpp    Form_Load, Timer_Timer, Form_Unload, and closing the open board
//   serial_list.cpp       Scan_USB_devices, FindTheHid, SerNo_Click, and opening the listed board
//   input_poll.cpp        PollInputReport
//   settings_readback.cpp ReadBackSettings and its parts
//   gain_selection.cpp    SendGainSelection, LC_gain_Click, Pot1_Click, Pot2_Click, Command1_Click
#pragma once

#include "app/bar_control.h"
#include "app/controls.h"
#include "device/board_access.h"
#include "device/hid_api.h"
#include "device/window_state.h"
#include "protocol/gain_items.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tensilo::app {

inline constexpr int PollInterval = 50;
inline constexpr int RetryInterval = 250;

// The controls of the window, built from the layout table and owned here.
class ControlSet {
public:
    ControlSet(QWidget* window, TimerControl::Mode timerMode);
    ~ControlSet();
    const std::vector<Control*>& list() const { return list_; }
    Control* find(std::string_view name) const;
    template <class T> T& get(std::string_view name) const { return dynamic_cast<T&>(*find(name)); }

private:
    // A track, or the bar of an output (named NAME_bar, on the track NAME_frame).
    std::unique_ptr<Control> MakeRectangle(const ControlSpec& spec, Control* parent,
                                           QWidget* parentWidget) const;

    std::vector<std::unique_ptr<Control>> owned_;
    std::vector<Control*> list_;
};

class FrmMain final : public QWidget {
    // Declared first: the control references below are bound to it.
    std::unique_ptr<ControlSet> controls_;

public:
    // How the window lets pending window events run from inside a tick. The default runs the Qt
    // event loop once; tests and the scenario runner put their own actions there.
    using YieldFunction = std::function<void()>;

    FrmMain(device::HidApi& hid, TimerControl::Mode timerMode, YieldFunction yield = {});
    ~FrmMain() override;

    // Events of the window.
    void Form_Load();
    void Timer_Timer();
    void Form_Unload(int& cancel);

    // Handlers of the controls, raised by a user's choice or by the program's assignments.
    void SerNo_Click();
    void LC_gain_Click();
    void Pot1_Click();
    void Pot2_Click();
    void Command1_Click();

    // Procedures.
    void Scan_USB_devices();
    bool FindTheHid();
    void PollInputReport();
    void ReadBackSettings();
    void SendGainSelection(ListControl& list, protocol::Channel channel);

    // The window's controls, by kind, named as in the layout table.
    CaptionedControl &Frame1, &Label5, &lblProduct, &Label4, &lblManuf, &Label2, &lblVersion,
        &Label3;
    ListControl& SerNo;
    TimerControl& Timer;
    CaptionedControl& Command1;
    CaptionedControl& Frame3;
    ListControl& LC_gain;
    CaptionedControl& Label6;
    ListControl& Pot1;
    CaptionedControl& Label8;
    ListControl& Pot2;
    CaptionedControl& Label7;
    TextControl& Summary;
    CaptionedControl& Frame2;
    RectControl& LC_frame;
    BarControl& LC_bar;
    CaptionedControl& Label10;
    RectControl& Pot1_frame;
    BarControl& Pot1_bar;
    CaptionedControl& Label9;
    RectControl& Pot2_frame;
    BarControl& Pot2_bar;
    CaptionedControl& Label11;

    // Every control in layout order, and one by name (nullptr for an unknown name).
    const std::vector<Control*>& controls() const { return controls_->list(); }
    Control* control(std::string_view name) const { return controls_->find(name); }

    const WindowState& state() const { return state_; }
    // True once Form_Unload has run: the window is closed for good.
    bool closed() const { return closed_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Lets pending window events run; false when the window was closed meanwhile, in which case
    // the caller stops at once and touches nothing more.
    bool YieldToEventLoop();
    // Searches for the boards, lists them, and opens the one the list shows (OpenListedBoard).
    void SearchAndOpenBoard();
    // Opens the board whose serial number the list shows and reads it back into the window;
    // with none opened, the window shows no board.
    void OpenListedBoard();
    // Closes the open board, if any, and has the timer search again soon, with SettingsLoaded
    // false until a board is read back.
    void CloseBoardForRetry();
    void CloseOpenBoard();

    // The parts of ReadBackSettings: the window emptied of any board, the gain lists filled, the
    // board's details shown (and returned, for the gate on its gains), and its settings report
    // shown in the gain lists and the summary.
    void ClearBoardView();
    void FillGainLists();
    device::BoardDetails ShowDeviceDetails();
    void ReadSettingsReport();
    // The three gain lists, and everything that is enabled with them: their frames, captions and
    // the button that restores the defaults.
    std::array<ListControl*, 3> GainLists();
    ListControl& GainList(protocol::Channel channel);
    void SetGainControlsEnabled(bool enabled);

    void ConnectHandlers();
    // Names, descriptions and buddies for assistive technology (control_descriptions.cpp).
    void DescribeControls();

    device::HidApi& hid_;
    YieldFunction yield_;
    WindowState state_{};
    bool closed_ = false;
    bool pollRunning_ = false;
};

} // namespace tensilo::app
