#pragma once

#include "canvastypes.h"
#include "colormap.h"
#include "history.h"
#include "palette.h"
#include "viewtransform.h"

#include <QList>
#include <QRect>
#include <array>

// The document: the artwork with its mode, layout, shared colour slots,
// rule policies, palette variant, view and edit history.
class Project
{
public:
    // Width or height below 1 takes the default size of the mode and layout.
    Project(CanvasMode mode = CanvasMode::Hires, int width = -1, int height = -1,
            const LayoutSpec &layout = {}, int screensAcross = 1);

    CanvasMode mode() const { return m_mode; }
    const Colormap &colormap() const { return m_colormap; }
    Colormap &colormap() { return m_colormap; }
    QSize size() const { return m_colormap.size(); }
    int width() const { return m_colormap.width(); }
    int height() const { return m_colormap.height(); }

    PaletteVariant paletteVariant() const { return m_paletteVariant; }
    void setPaletteVariant(PaletteVariant variant) { m_paletteVariant = variant; }
    const ViewTransform &view() const { return m_view; }
    ViewTransform &view() { return m_view; }
    const LayoutSpec &layoutSpec() const { return m_layout; }
    LayoutSpec &layoutSpec() { return m_layout; }
    CanvasLayout layout() const { return m_layout.layout; }
    int screensAcross() const { return m_screensAcross; }

    quint8 slot(ColorSlot slot) const { return m_slots[size_t(slot)]; }
    void setSlot(ColorSlot slot, quint8 color) { m_slots[size_t(slot)] = color; }
    const std::array<quint8, ColorSlotCount> &slotBytes() const { return m_slots; }

    SpriteCountPolicy spriteCountPolicy() const { return m_spriteCountPolicy; }
    void setSpriteCountPolicy(SpriteCountPolicy policy) { m_spriteCountPolicy = policy; }
    HiresClashResolution hiresClashResolution() const { return m_hiresClashResolution; }
    void setHiresClashResolution(HiresClashResolution r) { m_hiresClashResolution = r; }

    const History &history() const { return m_history; }
    History &history() { return m_history; }

    // Geometry of this document (see geometry.h).
    QList<CanvasRegion> regions() const;
    bool hasBorderFrame() const;
    QList<QRect> lockedRects() const;
    // The colour of the border frame: the Background slot on a multicolor
    // side-border canvas, else the Border slot.
    quint8 frameColor() const;
    bool isLocked(int x, int y) const;
    // Paints the locked pixels with the Border colour; returns their union.
    QRect repaintLockedPixels();

    // The slots this canvas shows and lets the artist assign, in order.
    QList<ColorSlot> visibleSlots() const;
    // The rectangle of the region of that kind, or a null rectangle when the
    // layout has none.
    QRect regionRect(RegionKind kind) const;
    // Screen i of a multi-screen bitmap, clipped to the bitmap region.
    QRect screenRect(int screen) const;
    // A screen is drawn on unless all its pixels hold one colour.
    bool isScreenDrawnOn(int screen) const;

private:
    CanvasMode m_mode = CanvasMode::Hires;
    Colormap m_colormap;
    PaletteVariant m_paletteVariant = 0;
    ViewTransform m_view;
    LayoutSpec m_layout;
    qint32 m_screensAcross = 1;
    std::array<quint8, ColorSlotCount> m_slots = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
    SpriteCountPolicy m_spriteCountPolicy = SpriteCountPolicy::Flag;
    HiresClashResolution m_hiresClashResolution = HiresClashResolution::ReplaceOverwritten;
    History m_history;
};
