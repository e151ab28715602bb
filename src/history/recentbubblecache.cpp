#include "recentbubblecache.h"

#include "projectpreview.h"

#include <QFileInfo>

QString RecentBubbleCache::bubbleFor(const QString &path, PaletteVariant palette)
{
    const QFileInfo file(path);
    const QDateTime modified = file.lastModified();
    const qint64 size = file.size();
    Entry &entry = m_entries[path];
    if (entry.html.isEmpty() || entry.modified != modified || entry.size != size ||
        entry.palette != palette)
        entry = {modified, size, palette, ProjectPreview::recentBubbleHtml(path, palette)};
    return entry.html;
}
