#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;

// The recovery files of one running program in a folder shared by every
// running copy. Each document gets a name of its own ("<pid>-<token>") with a
// lock file held for as long as the name is in use, so two windows or two
// documents never write the same file, and a file whose lock nobody holds
// any more was left behind by a program that ended without closing.
class RecoveryStore
{
public:
    // What a program that ended without closing left behind.
    struct Orphan {
        QString projectFile;  // the recovery project
        QString originalPath; // where the project was saved before, or empty
    };

    explicit RecoveryStore(const QString &folder);
    // Gives up the name and removes its files.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    QString folder() const { return m_folder; }
    // Where this document's recovery project goes; empty when the folder
    // cannot be written.
    QString projectFile() const;
    // Writes the sidecar that remembers where the project came from.
    bool writeOriginalPath(const QString &path) const;
    // Removes this document's recovery files and keeps the name.
    void removeFiles() const;
    // Removes this document's files and takes a new name for the next document.
    void renew();

    // Recovery projects whose owner has gone. Each one found is held by this
    // store until finishOrphan() or releaseOrphans(), so a second program
    // starting meanwhile does not offer it too. Lock files with no project
    // beside them are cleared away.
    QList<Orphan> claimOrphans();
    // Removes an orphan's files (restored or discarded).
    void finishOrphan(const QString &projectFile);
    // Lets go of the orphans still held, leaving their files for a later start.
    void releaseOrphans();

private:
    bool claimName();
    QString base(const QString &name) const;

    QString m_folder;
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    std::vector<std::pair<QString, std::unique_ptr<QLockFile>>> m_claimed;
};
