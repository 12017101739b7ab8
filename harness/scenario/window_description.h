// The window and the boards described as text, in the lines that `print` writes and whose values
// `expect` compares: one line per control in layout order, the state line, the handle account.
#pragma once

#include "app/frm_main.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tensilo::scenario {

// One value of a printed line: its text as printed, and whether it is printed in quotes (then
// `text` is the unquoted text).
struct PrintedValue {
    std::string text;
    bool quoted = false;
    std::string Printed() const;
};
using PrintedLine = std::vector<std::pair<std::string, PrintedValue>>;

// The values of the line of one control ("frmMain" for the window), in their printed order.
PrintedLine DescribeControl(const app::FrmMain& window, const app::Control& control);
PrintedLine DescribeWindow(const app::FrmMain& window);
PrintedLine DescribeState(const WindowState& state);

// "NAME key=value ..." with quoted values escaped.
std::string FormatLine(std::string_view name, const PrintedLine& values);

// A single-precision width as the shortest decimal that reads back to the same value.
std::string FloatText(float value);

} // namespace tensilo::scenario
