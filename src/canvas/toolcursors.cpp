#include "toolcursors.h"

#include <QHash>
#include <QPixmap>
#include <QtDebug>

// The cursor images live in this static library's own resource file, which
// must be registered by hand (from the global namespace) before first use.
static void registerCursorResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(cursors);
        return true;
    }();
    Q_UNUSED(registered);
}

QString ToolCursors::resourcePath(Kind kind)
{
    switch (kind) {
    case Pen:
        return QStringLiteral(":/cursors/pen.png");
    case Crosshair:
        return QStringLiteral(":/cursors/crosshair.png");
    case Drag:
        return QStringLiteral(":/cursors/drag.png");
    case Eraser:
        return QStringLiteral(":/cursors/eraser.png");
    case Fill:
        return QStringLiteral(":/cursors/fill.png");
    case Pan:
    case PanGrabbing:
        return QStringLiteral(":/cursors/pan.png");
    case Picker:
        return QStringLiteral(":/cursors/picker.png");
    case Rotate:
        return QStringLiteral(":/cursors/rotate.png");
    }
    return QString();
}

QPoint ToolCursors::hotspot(Kind kind)
{
    switch (kind) {
    case Pen:
    case Picker:
        return QPoint(3, 20);
    case Crosshair:
    case Rotate:
        return QPoint(11, 11);
    case Drag:
        return QPoint(2, 2);
    case Eraser:
        return QPoint(4, 18);
    case Fill:
        return QPoint(18, 19);
    case Pan:
    case PanGrabbing:
        return QPoint(12, 12);
    }
    return QPoint();
}

QCursor ToolCursors::load(const QString &path, QPoint hotspot)
{
    registerCursorResources();
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        qWarning("ToolCursors: %s did not load; falling back to the arrow cursor",
                 qPrintable(path));
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(pixmap, hotspot.x(), hotspot.y());
}

QCursor ToolCursors::cursor(Kind kind)
{
    static QHash<int, QCursor> cache;
    auto it = cache.constFind(kind);
    if (it != cache.constEnd())
        return *it;
    const QCursor c = load(resourcePath(kind), hotspot(kind));
    cache.insert(kind, c);
    return c;
}
