#include "app/app_icon.h"

inline void InitTensiloResources() {
    Q_INIT_RESOURCE(tensilo_app);
}

namespace tensilo::app {

QIcon AppIcon() {
    // The resources of a static library must be registered by hand.
    static const bool registered = (InitTensiloResources(), true);
    (void)registered;
    QIcon icon;
    icon.addFile(QStringLiteral(":/tensilo/tensilo-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/tensilo/tensilo-16.png"), QSize(16, 16));
    return icon;
}

} // namespace tensilo::app
