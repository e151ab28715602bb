#include "dashboardicons.h"

// A resource file in a static library is only linked in when registered by
// hand, from the global namespace.
static void registerDashboardResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(dashboard);
        return true;
    }();
    Q_UNUSED(registered);
}

QString DashboardIcons::path(const QString &name)
{
    registerDashboardResources();
    return QStringLiteral(":/dashboard/%1.svg").arg(name);
}

QIcon DashboardIcons::icon(const QString &name)
{
    return QIcon(path(name));
}
