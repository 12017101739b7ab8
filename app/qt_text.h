// The window's texts are held as UTF-8 string views (the layout and accessibility tables); Qt
// takes QStrings.
#pragma once

#include <QString>

#include <string_view>

namespace tensilo::app {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tensilo::app
