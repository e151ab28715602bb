#pragma once

#include <QString>
#include <QStringList>

// The Open Recent list, kept in the settings newest first. Paths are stored
// absolute and cleaned; two paths that differ only in letter case name the
// same project, so reopening it never duplicates the entry.
class RecentProjects
{
public:
    static constexpr int Limit = 10;

    static QStringList loadRecent();
    // After a successful open or save: to the top, duplicates gone, cut to the limit.
    static void addRecent(const QString &path);
    // After a failed open of an entry.
    static void removeRecent(const QString &path);
    static void clearRecent();
    // Drops entries that are no longer files; returns the list that is left.
    static QStringList pruneMissing();

    static QString normalised(const QString &path);
    static bool sameFile(const QString &a, const QString &b);
    // The menu label of each entry: the file name, with its folder's name in
    // parentheses when another entry has the same file name.
    static QStringList labels(const QStringList &paths);

private:
    static void store(const QStringList &paths);
};
