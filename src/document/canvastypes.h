#pragma once

#include <QRect>
#include <QtGlobal>

// Values of these enumerations are stored in project files and settings:
// never renumber them.

enum class CanvasMode : qint32 { Hires = 0, Multicolor = 1 };

enum class CanvasLayout : quint8 { BitmapOnly = 0, SideBorderSprites = 1, TopBottomBorderSprites = 2 };

enum class BorderAlignment : quint8 { Left = 0, Right = 1 };

enum class SpriteCountPolicy : quint8 { Enforce = 0, Flag = 1 };

enum class HiresClashResolution : qint32 {
    ReplaceOverwritten = 0,
    PreserveBorder = 1,
    PreserveMostUsed = 2
};

// The ten colour slots shared across the picture; also the slot number in
// history records. The colour slot widget exposes this as its Slot type.
enum class ColorSlot : quint8 {
    Background = 0,
    Border = 1,
    SpriteMulticolor0 = 2,
    SpriteMulticolor1 = 3,
    TopBackground = 4,
    TopMulticolor0 = 5,
    TopMulticolor1 = 6,
    BottomBackground = 7,
    BottomMulticolor0 = 8,
    BottomMulticolor1 = 9
};
constexpr int ColorSlotCount = 10;

struct LayoutSpec {
    CanvasLayout layout = CanvasLayout::BitmapOnly;
    BorderAlignment topAlignment = BorderAlignment::Left;
    BorderAlignment bottomAlignment = BorderAlignment::Left;

    bool isSpriteLayout() const { return layout != CanvasLayout::BitmapOnly; }
    friend bool operator==(const LayoutSpec &, const LayoutSpec &) = default;
};

enum class RegionKind : quint8 { Bitmap = 0, LeftStrip = 1, RightStrip = 2, TopBorder = 3, BottomBorder = 4 };

struct CanvasRegion {
    qint32 sprite = 0; // 0 = char cells, 1 = sprites
    QRect rect;
    RegionKind kind = RegionKind::Bitmap;

    bool isSprite() const { return sprite != 0; }
    friend bool operator==(const CanvasRegion &, const CanvasRegion &) = default;
};

struct SpriteGrid {
    QRect rect;
    bool topBottom = false;
    int columns = 0;
    int colorRows = 0;
    int spriteWidth = 0;
    int sliverWidth = 0;
    bool rightAligned = false;
};
