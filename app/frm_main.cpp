#include "app/frm_main.h"
#include "app/qt_text.h"

#include "app/accessible_texts.h"
#include "app/app_icon.h"
#include "app/window_font.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>

#include <string>

namespace tensilo::app {

ControlSet::ControlSet(QWidget* window, TimerControl::Mode timerMode) {
    // Set before the controls exist, so that each is made in it rather than re-laid out.
    window->setFont(WindowFont());
    for (const ControlSpec& spec : kLayout) {
        Control* parent = spec.parent.empty() ? nullptr : find(spec.parent);
        QWidget* parentWidget = parent ? parent->widget() : window;
        std::unique_ptr<Control> control;
        switch (spec.kind) {
        case ControlKind::Frame:
        case ControlKind::Label:
        case ControlKind::PushButton:
            control = std::make_unique<CaptionedControl>(spec, parent, parentWidget);
            break;
        case ControlKind::DropDownList:
            control = std::make_unique<ListControl>(spec, parent, parentWidget);
            break;
        case ControlKind::TextBox:
            control = std::make_unique<TextControl>(spec, parent, parentWidget);
            break;
        case ControlKind::Rectangle:
            control = MakeRectangle(spec, parent, parentWidget);
            break;
        case ControlKind::Timer:
            control = std::make_unique<TimerControl>(spec, parent, timerMode);
            break;
        }
        list_.push_back(control.get());
        owned_.push_back(std::move(control));
    }
}

ControlSet::~ControlSet() = default;

std::unique_ptr<Control> ControlSet::MakeRectangle(const ControlSpec& spec, Control* parent,
                                                   QWidget* parentWidget) const {
    constexpr std::string_view kBarSuffix = "_bar";
    const AccessibleText* text = FindAccessibleText(spec.name);
    if (!spec.name.ends_with(kBarSuffix) || text == nullptr)
        return std::make_unique<RectControl>(spec, parent, parentWidget);
    // The table lists each track before its bar.
    const std::string track =
        std::string(spec.name.substr(0, spec.name.size() - kBarSuffix.size())) + "_frame";
    return std::make_unique<BarControl>(spec, parent, parentWidget,
                                        dynamic_cast<const RectControl&>(*find(track)),
                                        ToQString(text->name));
}

Control* ControlSet::find(std::string_view name) const {
    for (Control* control : list_)
        if (control->name() == name)
            return control;
    return nullptr;
}

FrmMain::FrmMain(device::HidApi& hid, TimerControl::Mode timerMode, YieldFunction yield)
    : controls_(std::make_unique<ControlSet>(this, timerMode)),
      Frame1(controls_->get<CaptionedControl>("Frame1")),
      Label5(controls_->get<CaptionedControl>("Label5")),
      lblProduct(controls_->get<CaptionedControl>("lblProduct")),
      Label4(controls_->get<CaptionedControl>("Label4")),
      lblManuf(controls_->get<CaptionedControl>("lblManuf")),
      Label2(controls_->get<CaptionedControl>("Label2")),
      lblVersion(controls_->get<CaptionedControl>("lblVersion")),
      Label3(controls_->get<CaptionedControl>("Label3")),
      SerNo(controls_->get<ListControl>("SerNo")), Timer(controls_->get<TimerControl>("Timer")),
      Command1(controls_->get<CaptionedControl>("Command1")),
      Frame3(controls_->get<CaptionedControl>("Frame3")),
      LC_gain(controls_->get<ListControl>("LC_gain")),
      Label6(controls_->get<CaptionedControl>("Label6")), Pot1(controls_->get<ListControl>("Pot1")),
      Label8(controls_->get<CaptionedControl>("Label8")), Pot2(controls_->get<ListControl>("Pot2")),
      Label7(controls_->get<CaptionedControl>("Label7")),
      Summary(controls_->get<TextControl>("Summary")),
      Frame2(controls_->get<CaptionedControl>("Frame2")),
      LC_frame(controls_->get<RectControl>("LC_frame")),
      LC_bar(controls_->get<BarControl>("LC_bar")),
      Label10(controls_->get<CaptionedControl>("Label10")),
      Pot1_frame(controls_->get<RectControl>("Pot1_frame")),
      Pot1_bar(controls_->get<BarControl>("Pot1_bar")),
      Label9(controls_->get<CaptionedControl>("Label9")),
      Pot2_frame(controls_->get<RectControl>("Pot2_frame")),
      Pot2_bar(controls_->get<BarControl>("Pot2_bar")),
      Label11(controls_->get<CaptionedControl>("Label11")), hid_(hid),
      yield_(yield ? std::move(yield) : YieldFunction([] { QCoreApplication::processEvents(); })) {
    setWindowTitle(ToQString(kWindowCaption));
    setWindowIcon(AppIcon());
    // A fixed layout: the window does nothing when its size would change.
    setFixedSize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));

    for (std::size_t i = 0; i + 1 < kFocusOrder.size(); ++i)
        QWidget::setTabOrder(control(kFocusOrder[i])->widget(),
                             control(kFocusOrder[i + 1])->widget());

    ConnectHandlers();
    DescribeControls();
}

FrmMain::~FrmMain() = default;

void FrmMain::ConnectHandlers() {
    Timer.setOnTick([this] { Timer_Timer(); });
    SerNo.setOnClick([this] { SerNo_Click(); });
    LC_gain.setOnClick([this] { LC_gain_Click(); });
    Pot1.setOnClick([this] { Pot1_Click(); });
    Pot2.setOnClick([this] { Pot2_Click(); });
    QObject::connect(qobject_cast<QAbstractButton*>(Command1.widget()), &QAbstractButton::clicked,
                     this, [this] { Command1_Click(); });
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        int cancel = 0;
        Form_Unload(cancel);
    }
    event->accept();
}

bool FrmMain::YieldToEventLoop() {
    yield_();
    return !closed_;
}

} // namespace tensilo::app
