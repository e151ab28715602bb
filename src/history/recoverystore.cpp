#include "recoverystore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QUuid>

namespace
{

constexpr char ProjectSuffix[] = ".kvn";
constexpr char LockSuffix[] = ".lock";
constexpr char OriginSuffix[] = ".origin";

std::unique_ptr<QLockFile> tryLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Only an owner that is no longer running makes a lock stale, however old.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

RecoveryStore::RecoveryStore(const QString &folder) : m_folder(folder)
{
    QDir().mkpath(m_folder);
    claimName();
}

RecoveryStore::~RecoveryStore()
{
    removeFiles();
    releaseOrphans();
}

QString RecoveryStore::base(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

bool RecoveryStore::claimName()
{
    m_lock.reset();
    m_name.clear();
    // The process id tells a person whose file it is; the token keeps a
    // second document of the same process, or a reused id, apart.
    for (int attempt = 0; attempt < 8 && !m_lock; ++attempt) {
        const QString name = QStringLiteral("%1-%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
        if ((m_lock = tryLock(base(name) + QLatin1String(LockSuffix))))
            m_name = name;
    }
    return !m_name.isEmpty();
}

QString RecoveryStore::projectFile() const
{
    return m_name.isEmpty() ? QString() : base(m_name) + QLatin1String(ProjectSuffix);
}

bool RecoveryStore::writeOriginalPath(const QString &path) const
{
    if (m_name.isEmpty())
        return false;
    QSaveFile file(base(m_name) + QLatin1String(OriginSuffix));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(path.toUtf8());
    return file.commit();
}

void RecoveryStore::removeFiles() const
{
    if (m_name.isEmpty())
        return;
    QFile::remove(base(m_name) + QLatin1String(ProjectSuffix));
    QFile::remove(base(m_name) + QLatin1String(OriginSuffix));
}

void RecoveryStore::renew()
{
    removeFiles();
    claimName();
}

QList<RecoveryStore::Orphan> RecoveryStore::claimOrphans()
{
    QList<Orphan> found;
    const QDir dir(m_folder);
    const QStringList locks =
        dir.entryList({QLatin1String("*") + QLatin1String(LockSuffix)}, QDir::Files, QDir::Name);
    const QStringList projects =
        dir.entryList({QLatin1String("*") + QLatin1String(ProjectSuffix)}, QDir::Files, QDir::Name);
    QStringList names;
    for (const QString &file : locks + projects)
        names.append(QFileInfo(file).completeBaseName());
    names.removeDuplicates();
    for (const QString &name : std::as_const(names)) {
        if (name == m_name)
            continue;
        bool held = false;
        for (const auto &claimed : m_claimed)
            held = held || claimed.first == base(name) + QLatin1String(ProjectSuffix);
        if (held)
            continue;
        // A lock another running program holds is not ours to take.
        std::unique_ptr<QLockFile> lock = tryLock(base(name) + QLatin1String(LockSuffix));
        if (!lock)
            continue;
        const QString project = base(name) + QLatin1String(ProjectSuffix);
        if (!QFileInfo::exists(project)) {
            QFile::remove(base(name) + QLatin1String(OriginSuffix));
            continue; // the lock goes with it
        }
        QFile origin(base(name) + QLatin1String(OriginSuffix));
        QString originalPath;
        if (origin.open(QIODevice::ReadOnly))
            originalPath = QString::fromUtf8(origin.readAll());
        found.append({project, originalPath});
        m_claimed.emplace_back(project, std::move(lock));
    }
    return found;
}

void RecoveryStore::finishOrphan(const QString &projectFile)
{
    for (auto it = m_claimed.begin(); it != m_claimed.end(); ++it) {
        if (it->first != projectFile)
            continue;
        const QString stem = projectFile.chopped(qsizetype(qstrlen(ProjectSuffix)));
        QFile::remove(projectFile);
        QFile::remove(stem + QLatin1String(OriginSuffix));
        m_claimed.erase(it); // unlocking removes the lock file
        return;
    }
}

void RecoveryStore::releaseOrphans()
{
    m_claimed.clear();
}
