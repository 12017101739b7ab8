// The window's icon: two images, 32 by 32 and 16 by 16 pixels, 16 colours each.
#pragma once

#include <QIcon>

namespace tensilo::app {

QIcon AppIcon();

} // namespace tensilo::app
