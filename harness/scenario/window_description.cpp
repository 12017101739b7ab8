#include "harness/scenario/window_description.h"

#include "harness/scenario/scenario_text.h"

#include <charconv>

namespace tensilo::scenario {

using app::ControlKind;

namespace {

PrintedValue Plain(std::string text) {
    return {std::move(text), false};
}

PrintedValue Quoted(const QString& text) {
    return {text.toStdString(), true};
}

PrintedValue Number(long long value) {
    return Plain(std::to_string(value));
}

PrintedValue YesNo(bool value) {
    return Plain(value ? "yes" : "no");
}

} // namespace

std::string PrintedValue::Printed() const {
    return quoted ? QuoteText(text) : text;
}

std::string FloatText(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

PrintedLine DescribeWindow(const app::FrmMain&) {
    return {{"caption", Quoted(QString::fromUtf8(app::kWindowCaption.data(),
                                                 static_cast<qsizetype>(app::kWindowCaption.size())))},
            {"width", Number(app::kClientWidth)},
            {"height", Number(app::kClientHeight)}};
}

PrintedLine DescribeControl(const app::FrmMain&, const app::Control& control) {
    const app::ControlSpec& spec = control.spec();
    PrintedLine line;
    const auto geometry = [&](PrintedValue width) {
        line.emplace_back("left", Number(spec.left));
        line.emplace_back("top", Number(spec.top));
        line.emplace_back("width", std::move(width));
        line.emplace_back("height", Number(spec.height));
    };
    switch (spec.kind) {
    case ControlKind::Frame:
    case ControlKind::Label:
    case ControlKind::PushButton:
        line.emplace_back("caption", Quoted(static_cast<const app::CaptionedControl&>(control).caption()));
        geometry(Number(spec.width));
        line.emplace_back("enabled", YesNo(control.enabled()));
        break;
    case ControlKind::DropDownList: {
        const auto& list = static_cast<const app::ListControl&>(control);
        geometry(Number(spec.width));
        line.emplace_back("enabled", YesNo(control.enabled()));
        line.emplace_back("items", Number(list.count()));
        line.emplace_back("index", Number(list.listIndex()));
        line.emplace_back("text", Quoted(list.text()));
        break;
    }
    case ControlKind::TextBox:
        geometry(Number(spec.width));
        line.emplace_back("enabled", YesNo(control.enabled()));
        line.emplace_back("text", Quoted(static_cast<const app::TextControl&>(control).text()));
        break;
    case ControlKind::Rectangle: {
        const auto& rect = static_cast<const app::RectControl&>(control);
        geometry(Plain(FloatText(rect.width())));
        line.emplace_back("fill", Plain(std::to_string(spec.fill.r) + "," + std::to_string(spec.fill.g) +
                                        "," + std::to_string(spec.fill.b)));
        break;
    }
    case ControlKind::Timer: {
        const auto& timer = static_cast<const app::TimerControl&>(control);
        line.emplace_back("enabled", YesNo(timer.enabled()));
        line.emplace_back("interval", Number(timer.interval()));
        break;
    }
    }
    return line;
}

PrintedLine DescribeState(const WindowState& state) {
    return {{"DeviceDetected", YesNo(state.DeviceDetected != kFalse)},
            {"SettingsLoaded", YesNo(state.SettingsLoaded != kFalse)},
            {"DeviceChanged", YesNo(state.DeviceChanged != kFalse)},
            {"GainListsReady", YesNo(state.GainListsReady != kFalse)},
            {"DeviceConfigurable", YesNo(state.DeviceConfigurable != kFalse)},
            {"InputReportByteLength", Number(state.Capabilities.InputReportByteLength)},
            {"FeatureReportByteLength", Number(state.Capabilities.FeatureReportByteLength)}};
}

std::string FormatLine(std::string_view name, const PrintedLine& values) {
    std::string text(name);
    for (const auto& [key, value] : values)
        text += " " + key + "=" + value.Printed();
    return text;
}

} // namespace tensilo::scenario
