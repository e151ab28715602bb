#include "lastfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace LastFolders
{

QString lastDir(const QString &key)
{
    const QString stored = QSettings().value(key).toString();
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    return QDir::currentPath();
}

void storeDir(const QString &key, const QString &filePath)
{
    QSettings().setValue(key, QFileInfo(filePath).absolutePath());
}

} // namespace LastFolders
