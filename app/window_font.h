// The font of the window and of every control in it.
#pragma once

#include <QFont>

namespace tensilo::app {

QFont WindowFont();

} // namespace tensilo::app
