#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

// Resources of a static library must be registered by hand, outside any namespace.
static void initKorvenResources()
{
    Q_INIT_RESOURCE(korven);
}

namespace Startup
{

const QList<int> &iconSizes()
{
    static const QList<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("korvensoft"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvensoft.net"));
    QCoreApplication::setApplicationName(QStringLiteral("KORVEN"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("net.korvensoft.korven"));
}

void keepEveryPointerPosition()
{
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
}

QIcon applicationIcon()
{
    initKorvenResources();
    QIcon icon;
    for (int size : iconSizes()) {
        const QString path = QStringLiteral(":/icons/korven-%1.png").arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}

QString projectArgument(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments.at(i).startsWith(QLatin1Char('-')))
            return arguments.at(i);
    }
    return QString();
}

} // namespace Startup
