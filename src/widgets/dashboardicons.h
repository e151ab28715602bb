#pragma once

#include <QIcon>
#include <QString>

// The dashboard's icon resources (":/dashboard/NAME.svg"), compiled into the
// widgets library. Every lookup goes through here so the resource file is
// registered before first use, whichever widget asks first.
class DashboardIcons
{
public:
    static QString path(const QString &name);
    static QIcon icon(const QString &name);
};
