#include "app/accessible_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace tensilo::app {

void RegisterAccessibleWindow(QWidget& window) {
    // Registered before anyone asks, so that Qt hands out this interface rather than its own.
    QAccessible::registerAccessibleInterface(new QAccessibleWidget(&window, QAccessible::Window));
}

} // namespace tensilo::app
