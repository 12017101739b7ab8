// What assistive technology (screen readers through AT-SPI on Linux and UI Automation on Windows)
// is told about each control that takes input or shows board data: its name, a description, and
// the label on the window that names it (its buddy), as data beside the layout table. A control
// the table leaves out is named by Qt as it is: the frames and labels by their captions.
#pragma once

#include <array>
#include <string_view>

namespace tensilo::app {

struct AccessibleText {
    std::string_view control;
    std::string_view name;
    // For the labels that show board data, what they show is their description instead, so that
    // both the caption and the board's string reach the reader.
    std::string_view description;
    std::string_view labelledBy; // the label naming it on the window; "" for none
};

// clang-format off
inline constexpr std::array<AccessibleText, 12> kAccessibleTexts = {{
    {"lblProduct", "Product name",         "",                                                    "Label5"},
    {"lblManuf",   "Made by",              "",                                                    "Label4"},
    {"lblVersion", "Version",              "",                                                    "Label2"},
    {"SerNo",      "Serial number",        "The board shown, chosen by its serial number",        "Label3"},
    {"Command1",   "Restore default settings", "Sets the three gains back to 500, 1 and 1",       ""},
    {"LC_gain",    "Load cell gain",       "Written to the board as soon as it is chosen",        "Label6"},
    {"Pot1",       "Potentiometer 1 gain", "Written to the board as soon as it is chosen",        "Label8"},
    {"Pot2",       "Potentiometer 2 gain", "Written to the board as soon as it is chosen",        "Label7"},
    {"Summary",    "Settings report",      "The board's settings report, in hexadecimal bytes",   ""},
    {"LC_bar",     "Load cell",            "The load cell's scaled output, from 0 to 65535",      "Label10"},
    {"Pot1_bar",   "Potentiometer 1",      "Potentiometer 1's scaled output, from 0 to 65535",    "Label9"},
    {"Pot2_bar",   "Potentiometer 2",      "Potentiometer 2's scaled output, from 0 to 65535",    "Label11"},
}};
// clang-format on

// The entry of a control; nullptr for one the table leaves out.
constexpr const AccessibleText* FindAccessibleText(std::string_view control) {
    for (const AccessibleText& text : kAccessibleTexts)
        if (text.control == control)
            return &text;
    return nullptr;
}

} // namespace tensilo::app
