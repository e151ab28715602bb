#include "floatingselection.h"

#include "selectiongeometry.h"

#include "document/history.h"
#include "document/project.h"
#include "rules/clashrules.h"

FloatingSelection FloatingSelection::lift(const Colormap &colormap, const QRegion &selection,
                                          bool transparent, quint8 blank)
{
    FloatingSelection f;
    f.m_content = SelectionPixels::take(colormap, selection);
    f.m_origin = f.m_content.region;
    f.m_before = selection;
    f.m_lifted = true;
    f.m_transparent = transparent;
    f.m_blank = blank;
    return f;
}

FloatingSelection FloatingSelection::paste(const SelectionPixels &content,
                                           const QRegion &selectionBefore, bool transparent,
                                           quint8 blank)
{
    FloatingSelection f;
    f.m_content = content;
    f.m_before = selectionBefore;
    f.m_transparent = transparent;
    f.m_blank = blank;
    return f;
}

QRegion FloatingSelection::placedRegion(const QRect &canvas) const
{
    return m_content.region.translated(m_offset) & canvas;
}

void FloatingSelection::flip(Qt::Orientation orientation)
{
    if (isEmpty())
        return;
    m_content.region = mirrorRegion(m_content.region, orientation);
    Colormap &pixels = m_content.pixels;
    const Colormap old = pixels;
    const int w = pixels.width(), h = pixels.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.setPixel(x, y,
                            orientation == Qt::Horizontal ? old.pixel(w - 1 - x, y)
                                                          : old.pixel(x, h - 1 - y));
}

QRect FloatingSelection::render(const Project &project, Colormap &target) const
{
    const QRect canvas = target.rect();
    QRect touched;
    if (m_lifted) {
        const QRegion origin = m_origin & canvas;
        for (const QRect &r : origin)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (!project.isLocked(x, y))
                        target.setPixel(x, y, m_blank);
        touched |= origin.boundingRect();
    }
    const QRegion placed = placedRegion(canvas);
    for (const QRect &r : placed) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                const quint8 color = m_content.at(x - m_offset.x(), y - m_offset.y());
                if (project.isLocked(x, y) || (m_transparent && color == m_blank))
                    continue;
                target.setPixel(x, y, color);
            }
        }
    }
    touched |= placed.boundingRect();
    if (touched.isEmpty())
        return touched;
    return touched | resolveClashes(ClashContext::forSweep(project), target, touched);
}

QRect FloatingSelection::drop(Project &project) const
{
    // Copy-on-write: the snapshot costs nothing until the first write.
    const Colormap before = project.colormap();
    const QRect changed = render(project, project.colormap());
    if (changed.isEmpty())
        return changed;
    HistoryNode node;
    node.kind = HistoryEntryKind::DropSelection;
    recordRegionChange(project, node, changed, before.copy(changed));
    if (node.changes.isEmpty())
        return QRect();
    project.history().push(node);
    return changed;
}
