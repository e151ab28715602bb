#pragma once

#include "document/palette.h"

#include <QDateTime>
#include <QHash>
#include <QString>

// The Open Recent bubbles, built once per file state and palette, so
// running the pointer along the menu does not re-read the files.
class RecentBubbleCache
{
public:
    QString bubbleFor(const QString &path, PaletteVariant palette);

private:
    struct Entry {
        QDateTime modified;
        qint64 size = -1;
        PaletteVariant palette = -1;
        QString html;
    };
    QHash<QString, Entry> m_entries;
};
