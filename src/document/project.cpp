#include "project.h"

#include "geometry.h"

Project::Project(CanvasMode mode, int width, int height, const LayoutSpec &layout,
                 int screensAcross)
    : m_mode(mode), m_layout(layout)
{
    const int s = (!layout.isSpriteLayout() && screensAcross > 1) ? screensAcross : 1;
    const QSize defaults = defaultCanvasSize(mode, layout, s);
    if (height < 1)
        height = defaults.height();
    if (width < 1)
        width = defaults.width();
    m_colormap = Colormap(width, height);
    m_view = ViewTransform(modePixelWidth(mode));
    m_screensAcross = (layout.isSpriteLayout() || screensAcross < 2) ? 1 : screensAcross;
    repaintLockedPixels();
}

QList<CanvasRegion> Project::regions() const
{
    return canvasRegions(m_mode, size(), m_layout);
}

bool Project::hasBorderFrame() const
{
    return ::hasBorderFrame(m_mode, size(), m_layout);
}

QList<QRect> Project::lockedRects() const
{
    return ::lockedRects(m_mode, size(), m_layout);
}

quint8 Project::frameColor() const
{
    const bool multicolorSide =
        m_mode == CanvasMode::Multicolor && m_layout.layout == CanvasLayout::SideBorderSprites;
    return slot(multicolorSide ? ColorSlot::Background : ColorSlot::Border);
}

bool Project::isLocked(int x, int y) const
{
    if (m_mode != CanvasMode::Hires || m_layout.layout != CanvasLayout::SideBorderSprites)
        return false;
    return x >= width() - 8 || (y == 0 && x >= 0 && x < 48);
}

QRect Project::repaintLockedPixels()
{
    QRect changed;
    for (const QRect &r : lockedRects()) {
        m_colormap.fillRect(r, slot(ColorSlot::Border));
        changed |= r;
    }
    return changed;
}

QList<ColorSlot> Project::visibleSlots() const
{
    using S = ColorSlot;
    const bool frame = hasBorderFrame();
    if (m_mode == CanvasMode::Multicolor) {
        switch (m_layout.layout) {
        case CanvasLayout::SideBorderSprites:
            return {S::Background, S::SpriteMulticolor0, S::SpriteMulticolor1};
        case CanvasLayout::TopBottomBorderSprites:
            return {S::Background,        S::Border,           S::TopBackground,
                    S::TopMulticolor0,    S::TopMulticolor1,   S::BottomBackground,
                    S::BottomMulticolor0, S::BottomMulticolor1};
        case CanvasLayout::BitmapOnly:
            return frame ? QList<S>{S::Background, S::Border} : QList<S>{S::Background};
        }
    }
    switch (m_layout.layout) {
    case CanvasLayout::SideBorderSprites:
        return {S::Border};
    case CanvasLayout::TopBottomBorderSprites:
        return {S::Border, S::TopBackground, S::BottomBackground};
    case CanvasLayout::BitmapOnly:
        break;
    }
    return frame ? QList<S>{S::Border} : QList<S>{};
}

QRect Project::regionRect(RegionKind kind) const
{
    for (const CanvasRegion &region : regions()) {
        if (region.kind == kind)
            return region.rect;
    }
    return {};
}

QRect Project::screenRect(int screen) const
{
    const QRect bitmap = bitmapRegionRect(m_mode, size(), m_layout);
    const int sw = m_mode == CanvasMode::Multicolor ? 160 : 320;
    return QRect(bitmap.left() + screen * sw, bitmap.top(), sw, bitmap.height()) & bitmap;
}

bool Project::isScreenDrawnOn(int screen) const
{
    const QRect r = screenRect(screen);
    if (r.isEmpty())
        return false;
    const quint8 first = m_colormap.pixel(r.left(), r.top());
    const quint8 *bits = m_colormap.constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *row = bits + qsizetype(y) * width();
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] != first)
                return true;
        }
    }
    return false;
}
