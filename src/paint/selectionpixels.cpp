#include "selectionpixels.h"

#include "document/history.h"
#include "document/project.h"
#include "rules/clashrules.h"

quint8 SelectionPixels::at(int x, int y) const
{
    const QRect b = bounds();
    return pixels.pixel(x - b.left(), y - b.top());
}

SelectionPixels SelectionPixels::take(const Colormap &colormap, const QRegion &region)
{
    SelectionPixels taken;
    taken.region = region & colormap.rect();
    if (!taken.region.isEmpty())
        taken.pixels = colormap.copy(taken.region.boundingRect());
    return taken;
}

QImage SelectionPixels::toImage(PaletteVariant variant, int pixelWidth) const
{
    if (isEmpty())
        return QImage();
    pixelWidth = std::max(1, pixelWidth);
    const QRect b = bounds();
    QImage image(b.width() * pixelWidth, b.height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (const QRect &r : region) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y - b.top()));
            for (int x = r.left(); x <= r.right(); ++x)
                std::fill_n(row + (x - b.left()) * pixelWidth, pixelWidth,
                            paletteRgb(variant, at(x, y)) | 0xff000000u);
        }
    }
    return image;
}

QRect cutSelection(Project &project, const QRegion &region, quint8 blank)
{
    Colormap &map = project.colormap();
    const QRegion area = region & map.rect();
    if (area.isEmpty())
        return QRect();
    const QRect bounds = area.boundingRect();
    // Copy-on-write: the snapshot costs nothing until the first write.
    const Colormap before = map;
    for (const QRect &r : area)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (!project.isLocked(x, y))
                    map.setPixel(x, y, blank);
    const QRect repaired = resolveClashes(ClashContext::forSweep(project), map, bounds);
    const QRect changed = bounds | repaired;
    HistoryNode node;
    node.kind = HistoryEntryKind::CutSelection;
    recordRegionChange(project, node, changed, before.copy(changed));
    if (node.changes.isEmpty())
        return QRect();
    project.history().push(node);
    return changed;
}
