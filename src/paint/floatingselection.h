#pragma once

#include "selectionpixels.h"

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <Qt>

class Colormap;
class Project;

// Pixels lifted off the canvas or pasted from the clipboard that float above
// the artwork until they are dropped. The canvas is untouched until then:
// every move renders the float into a copy for the preview, and the drop
// renders it into the document as one DropSelection edit.
class FloatingSelection
{
public:
    FloatingSelection() = default;

    // Lifts the selected pixels; their place shows the blank colour.
    static FloatingSelection lift(const Colormap &colormap, const QRegion &selection,
                                  bool transparent, quint8 blank);
    // Floats clipboard content over the canvas; nothing vacates.
    static FloatingSelection paste(const SelectionPixels &content, const QRegion &selectionBefore,
                                   bool transparent, quint8 blank);

    bool isEmpty() const { return m_content.isEmpty(); }
    const SelectionPixels &content() const { return m_content; }
    // The selection when the float was made: what a discard returns to.
    const QRegion &regionBefore() const { return m_before; }
    QPoint offset() const { return m_offset; }
    void setOffset(QPoint offset) { m_offset = offset; }
    void moveBy(QPoint delta) { m_offset += delta; }
    bool isLifted() const { return m_lifted; }
    bool isTransparent() const { return m_transparent; }
    quint8 blankColor() const { return m_blank; }

    // The float where it now lies, clipped to the canvas.
    QRegion placedRegion(const QRect &canvas) const;
    // Mirrors the shape and its pixels inside their bounding rectangle.
    void flip(Qt::Orientation orientation);

    // Writes the float into `target` (the document's colormap or a copy):
    // vacates the lifted origin, writes the pixels at the offset (skipping
    // locked pixels, and blank ones when transparent), then resolves the
    // clashes of the touched cells and sprites. Returns the area touched.
    QRect render(const Project &project, Colormap &target) const;
    // Renders into the document and records one DropSelection edit; returns
    // the changed rectangle, empty when nothing changed.
    QRect drop(Project &project) const;

private:
    SelectionPixels m_content;
    QRegion m_origin;
    QRegion m_before;
    QPoint m_offset;
    bool m_lifted = false;
    bool m_transparent = false;
    quint8 m_blank = 0;
};
