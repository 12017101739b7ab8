#include "app/app_icon.h"

inline void InitTensiloResources() {
    Q_INIT_RESOURCE(tensilo_app);
}

namespace tensilo::app {

QIcon AppIcon() {
    // The resources of a static library must be registered by hand.
    static const bool registered = (InitTensiloResources(), true);
    (void)registered;
    // Each size is read only when something is drawn at it: the title bar's 16 (32 on a 2x
    // screen), the task bar's 32 or 48 (64 on a 2x screen).
    QIcon icon;
    for (const int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/tensilo/tensilo-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tensilo::app
