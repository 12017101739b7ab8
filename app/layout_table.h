// The window's layout as data: every control with its kind, parent, caption, position and size in
// twips (15 twips make a pixel at 96 dots per inch), its state at start and its fill colour. The
// Qt window is built from this table, and the table's order is the order in which the controls are
// listed when the window is described.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tensilo::app {

enum class ControlKind { Frame, Label, DropDownList, PushButton, TextBox, Rectangle, Timer };

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    std::string_view parent; // "" for the window itself
    std::string_view caption;
    int left, top, width, height;
    bool enabledAtStart;
    Rgb fill;                    // rectangles only
    bool systemColours = false;  // labels that show board data: window background and text colours
};

inline constexpr std::string_view kWindowCaption = "Tensilo Configuration";
inline constexpr int kClientWidth = 11430;
inline constexpr int kClientHeight = 4365;
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kTimerDesignInterval = 50;
inline constexpr double kFontPointSize = 9.75;

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGreen{0, 128, 0};

// clang-format off
inline constexpr std::array<ControlSpec, 29> kLayout = {{
    {"Frame1",     ControlKind::Frame,        "",       "Device details",            120,  120, 4215, 1935, false, {}},
    {"Label5",     ControlKind::Label,        "Frame1", "Product name",              240,  360, 1215,  285, true,  {}},
    {"lblProduct", ControlKind::Label,        "Frame1", "",                         1560,  360, 3300,  330, true,  {}, true},
    {"Label4",     ControlKind::Label,        "Frame1", "Made by",                   240,  720, 1215,  285, true,  {}},
    {"lblManuf",   ControlKind::Label,        "Frame1", "",                         1560,  720, 3300,  330, true,  {}, true},
    {"Label2",     ControlKind::Label,        "Frame1", "Version",                   240, 1080, 1455,  285, true,  {}},
    {"lblVersion", ControlKind::Label,        "Frame1", "",                         1560, 1080, 3300,  330, true,  {}, true},
    {"Label3",     ControlKind::Label,        "Frame1", "Serial Number",             240, 1440, 1815,  285, true,  {}},
    {"SerNo",      ControlKind::DropDownList, "Frame1", "",                         1635, 1380, 1320,  360, false, {}},
    {"Timer",      ControlKind::Timer,        "Frame1", "",                            0,    0,    0,    0, false, {}},
    {"Command1",   ControlKind::PushButton,   "",       "Restore default settings", 6480,  840, 2895,  495, true,  {}},
    {"Frame3",     ControlKind::Frame,        "",       "Input gain",                120, 2160, 4215, 2055, false, {}},
    {"LC_gain",    ControlKind::DropDownList, "Frame3", "",                          240,  450, 1200,  360, true,  {}},
    {"Label6",     ControlKind::Label,        "Frame3", "Load cell gain",           1620,  495, 2000,  315, false, {}},
    {"Pot1",       ControlKind::DropDownList, "Frame3", "",                          240,  950, 1200,  360, false, {}},
    {"Label8",     ControlKind::Label,        "Frame3", "Potentiometer 1 gain",     1620,  995, 2000,  315, false, {}},
    {"Pot2",       ControlKind::DropDownList, "Frame3", "",                          240, 1450, 1200,  360, false, {}},
    {"Label7",     ControlKind::Label,        "Frame3", "Potentiometer 2 gain",     1620, 1495, 2000,  315, false, {}},
    {"Summary",    ControlKind::TextBox,      "Frame3", "",                          240, 3600, 4695, 1455, true,  {}},
    {"Frame2",     ControlKind::Frame,        "",       "Scaled outputs",           4560, 2160, 6735, 2055, false, {}},
    {"LC_frame",   ControlKind::Rectangle,    "Frame2", "",                          240,  480, 4695,  285, true,  kWhite},
    {"LC_bar",     ControlKind::Rectangle,    "Frame2", "",                          285,  525,   15,  195, true,  kGreen},
    {"Label10",    ControlKind::Label,        "Frame2", "Load cell",                5100,  495, 1500,  315, false, {}},
    {"Pot1_frame", ControlKind::Rectangle,    "Frame2", "",                          240,  980, 4695,  285, true,  kWhite},
    {"Pot1_bar",   ControlKind::Rectangle,    "Frame2", "",                          285, 1025,   15,  195, true,  kGreen},
    {"Label9",     ControlKind::Label,        "Frame2", "Potentiometer 1",          5100,  995, 1500,  315, false, {}},
    {"Pot2_frame", ControlKind::Rectangle,    "Frame2", "",                          240, 1480, 4695,  285, true,  kWhite},
    {"Pot2_bar",   ControlKind::Rectangle,    "Frame2", "",                          285, 1525,   15,  195, true,  kGreen},
    {"Label11",    ControlKind::Label,        "Frame2", "Potentiometer 2",          5100, 1495, 1500,  315, false, {}},
}};
// clang-format on

// Keyboard focus order of the controls that take focus.
inline constexpr std::array<std::string_view, 6> kFocusOrder = {"LC_gain", "Command1", "SerNo",
                                                                "Summary", "Pot1",     "Pot2"};

// Twips to device-independent pixels, to the nearest pixel.
constexpr int TwipsToPixels(double twips) {
    const double pixels = twips / kTwipsPerPixel;
    return static_cast<int>(pixels < 0 ? pixels - 0.5 : pixels + 0.5);
}

} // namespace tensilo::app
