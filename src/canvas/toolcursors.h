#pragma once

#include <QCursor>
#include <QPoint>
#include <QString>

// The canvas cursors, each an image resource with a hotspot. A cursor
// whose image does not load falls back to the arrow (with a warning).
class ToolCursors
{
public:
    enum Kind { Pen, Crosshair, Drag, Eraser, Fill, Pan, Picker, Rotate, PanGrabbing };

    static QCursor cursor(Kind kind);
    static QString resourcePath(Kind kind);
    static QPoint hotspot(Kind kind);
    // Builds a cursor from an image resource; the arrow when it does not load.
    static QCursor load(const QString &path, QPoint hotspot);
};
