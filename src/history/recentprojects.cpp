#include "recentprojects.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{

constexpr char RecentKey[] = "files/recentProjects";

} // namespace

QStringList RecentProjects::loadRecent()
{
    return QSettings().value(QLatin1String(RecentKey)).toStringList();
}

void RecentProjects::store(const QStringList &paths)
{
    QSettings().setValue(QLatin1String(RecentKey), paths);
}

QString RecentProjects::normalised(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool RecentProjects::sameFile(const QString &a, const QString &b)
{
    return normalised(a).compare(normalised(b), Qt::CaseInsensitive) == 0;
}

void RecentProjects::addRecent(const QString &path)
{
    QStringList paths{normalised(path)};
    for (const QString &entry : loadRecent()) {
        if (!sameFile(entry, path))
            paths << entry;
    }
    store(paths.mid(0, Limit));
}

void RecentProjects::removeRecent(const QString &path)
{
    QStringList paths = loadRecent();
    paths.removeIf([&](const QString &entry) { return sameFile(entry, path); });
    store(paths);
}

void RecentProjects::clearRecent()
{
    store({});
}

QStringList RecentProjects::pruneMissing()
{
    const QStringList stored = loadRecent();
    QStringList kept = stored;
    kept.removeIf([](const QString &entry) { return !QFileInfo(entry).isFile(); });
    if (kept != stored)
        store(kept);
    return kept;
}

QStringList RecentProjects::labels(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    QStringList result;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const bool shared = std::count_if(names.cbegin(), names.cend(), [&](const QString &n) {
                                return n.compare(names[i], Qt::CaseInsensitive) == 0;
                            }) > 1;
        result << (shared ? QStringLiteral("%1 (%2)").arg(
                                names[i], QFileInfo(paths[i]).absoluteDir().dirName())
                          : names[i]);
    }
    return result;
}
