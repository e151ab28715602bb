#include "spritefile.h"

#include "document/geometry.h"
#include "document/palette.h"
#include "document/project.h"

#include <QHash>

namespace
{

constexpr int SpriteLines = 21;

// Where one sheet sprite lands: its strip, the top-left corner of its 24 x 21
// display-pixel box in canvas coordinates, and the key of the hardware pair
// that shares one colour.
struct Placement {
    const CanvasRegion *region = nullptr;
    QPoint origin;
    int pairKey = -1;
};

// The strip's transparent colour and its two shared multicolor slots.
struct StripColors {
    quint8 transparent = 0, multi0 = 0, multi1 = 0;
};

StripColors stripColors(const Project &project, RegionKind kind)
{
    const bool multi = project.mode() == CanvasMode::Multicolor;
    switch (kind) {
    case RegionKind::TopBorder:
        return {project.slot(ColorSlot::TopBackground), project.slot(ColorSlot::TopMulticolor0),
                project.slot(ColorSlot::TopMulticolor1)};
    case RegionKind::BottomBorder:
        return {project.slot(ColorSlot::BottomBackground),
                project.slot(ColorSlot::BottomMulticolor0),
                project.slot(ColorSlot::BottomMulticolor1)};
    default:
        return {project.slot(multi ? ColorSlot::Background : ColorSlot::Border),
                project.slot(ColorSlot::SpriteMulticolor0),
                project.slot(ColorSlot::SpriteMulticolor1)};
    }
}

const CanvasRegion *regionOf(const QList<CanvasRegion> &regions, RegionKind kind)
{
    for (const CanvasRegion &region : regions)
        if (region.kind == kind)
            return &region;
    return nullptr;
}

Placement place(const Project &project, const QList<CanvasRegion> &regions, int index,
                quint8 attribute, SpriteAttributes convention)
{
    Placement p;
    const int sw = spriteWidth(project.mode());
    if (project.layout() == CanvasLayout::SideBorderSprites) {
        const int row = index / 4, slot = index % 4;
        p.region = regionOf(regions, slot < 2 ? RegionKind::LeftStrip : RegionKind::RightStrip);
        if (!p.region)
            return p;
        const int column = slot % 2;
        const int firstLine = SpriteLines * row - 8;
        p.origin = QPoint(p.region->rect.left() + column * sw, p.region->rect.top() + firstLine);
        // Rows whose first lines share a side-strip colour row share colours.
        p.pairKey = slot * 16 + sideColorRowAt(std::max(0, firstLine));
        return p;
    }
    const bool bottom = index < 16;
    p.region = regionOf(regions, bottom ? RegionKind::BottomBorder : RegionKind::TopBorder);
    if (!p.region)
        return p;
    const SpriteGrid grid = spriteGridOf(*p.region, project.mode(), project.layoutSpec());
    const int within = index % 16;
    // Column 15 marks the empty sprites that pad a border of fewer than 8.
    if (convention == SpriteAttributes::ColorPosition && attribute >> 4 == 15) {
        p.region = nullptr;
        return p;
    }
    const int column =
        convention == SpriteAttributes::ColorPosition ? (attribute >> 4) % 14 : within % 8;
    // A right-aligned border's first column shows only its right-hand sliver.
    const int left = grid.rightAligned ? column * sw - (sw - grid.sliverWidth) : column * sw;
    p.origin =
        QPoint(p.region->rect.left() + left, p.region->rect.top() + (within < 8 ? 0 : SpriteLines));
    p.pairKey = (bottom ? 0 : 1) * 16 + column;
    return p;
}

// The colour index of sprite pixel (x, y) in canvas pixels of the mode.
quint8 spritePixel(const QByteArray &sprite, CanvasMode mode, int x, int y, quint8 color,
                   const StripColors &strip)
{
    const auto byte = quint8(sprite.at(y * 3 + (mode == CanvasMode::Multicolor ? x / 4 : x / 8)));
    if (mode != CanvasMode::Multicolor)
        return (byte >> (7 - x % 8)) & 1 ? color : strip.transparent;
    switch ((byte >> (6 - 2 * (x % 4))) & 3) {
    case 1:
        return strip.multi0;
    case 2:
        return color;
    case 3:
        return strip.multi1;
    default:
        return strip.transparent;
    }
}

// Whether a sprite has a pixel in its own colour: a set bit on hires, a 10
// pair on multicolor.
bool showsOwnColor(const QByteArray &sprite, CanvasMode mode)
{
    for (int i = 0; i < 63; ++i) {
        const auto byte = quint8(sprite.at(i));
        const bool shows =
            mode != CanvasMode::Multicolor ? byte != 0 : (byte & ~(byte << 1) & 0xAA) != 0;
        if (shows)
            return true;
    }
    return false;
}

// Each sprite's colour: its own, unless an earlier sprite of the same
// hardware pair decided it. A sprite that never shows its colour decides
// nothing, just as the exported program then takes the other half's colour.
QList<quint8> spriteColors(const QList<Placement> &placements, const QList<QByteArray> &sprites,
                           SpriteAttributes convention, quint8 penColor, CanvasMode mode)
{
    QList<quint8> colors;
    QHash<int, quint8> pairs;
    for (qsizetype i = 0; i < sprites.size(); ++i) {
        quint8 own =
            convention == SpriteAttributes::Ignore ? penColor : quint8(sprites[i].at(63)) & 15;
        const int key = placements[i].pairKey;
        if (key >= 0) {
            const auto found = pairs.constFind(key);
            if (found != pairs.constEnd())
                own = *found;
            else if (showsOwnColor(sprites[i], mode))
                pairs.insert(key, own);
        }
        colors.append(own);
    }
    return colors;
}

} // namespace

bool SpriteFile::readSpriteFile(const QByteArray &bytes, QList<QByteArray> &sprites, QString &error)
{
    sprites.clear();
    if (bytes.size() < 2 + RecordSize || (bytes.size() - 2) % RecordSize != 0) {
        error = tr("Unknown file format.");
        return false;
    }
    for (qsizetype at = 2; at < bytes.size(); at += RecordSize)
        sprites.append(bytes.mid(at, RecordSize));
    return true;
}

int SpriteFile::spriteCapacity(CanvasLayout layout)
{
    switch (layout) {
    case CanvasLayout::SideBorderSprites:
        return 40;
    case CanvasLayout::TopBottomBorderSprites:
        return 32;
    default:
        return 0;
    }
}

QString SpriteFile::capacityProblem(const Project &project, qsizetype count)
{
    const int capacity = spriteCapacity(project.layout());
    if (count <= capacity)
        return {};
    return tr("The file holds %1 sprites; this canvas takes at most %2.").arg(count).arg(capacity);
}

Colormap SpriteFile::spritesToStrips(const Project &project, const QList<QByteArray> &sprites,
                                     SpriteAttributes convention, quint8 penColor)
{
    Colormap result = project.colormap();
    if (!capacityProblem(project, sprites.size()).isEmpty())
        return result;
    const QList<CanvasRegion> regions = project.regions();
    for (const CanvasRegion &region : regions)
        if (region.isSprite())
            result.fillRect(region.rect, stripColors(project, region.kind).transparent);
    // Locked pixels keep what they hold.
    for (const QRect &locked : project.lockedRects())
        result.paste(locked.topLeft(), project.colormap().copy(locked));

    QList<Placement> placements;
    for (qsizetype i = 0; i < sprites.size(); ++i)
        placements.append(place(project, regions, int(i), quint8(sprites[i].at(63)), convention));
    const QList<quint8> colors =
        spriteColors(placements, sprites, convention, penColor, project.mode());
    const int sw = spriteWidth(project.mode());
    for (qsizetype i = 0; i < sprites.size(); ++i) {
        const Placement &p = placements[i];
        if (!p.region)
            continue;
        const StripColors strip = stripColors(project, p.region->kind);
        for (int y = 0; y < SpriteLines; ++y)
            for (int x = 0; x < sw; ++x) {
                const QPoint at = p.origin + QPoint(x, y);
                // Lines and slivers beyond the strip are dropped.
                if (p.region->rect.contains(at) && !project.isLocked(at.x(), at.y()))
                    result.setPixel(
                        at.x(), at.y(),
                        spritePixel(sprites[i], project.mode(), x, y, colors[i], strip));
            }
    }
    return result;
}

QImage SpriteFile::spriteSheetPreview(const Project &project, const QList<QByteArray> &sprites,
                                      SpriteAttributes convention, quint8 penColor)
{
    constexpr int PerRow = 8, Gap = 2;
    const int sw = spriteWidth(project.mode());
    const int scale = project.mode() == CanvasMode::Multicolor ? 2 : 1;
    const int rows = int((sprites.size() + PerRow - 1) / PerRow);
    if (sprites.isEmpty())
        return {};
    const QList<CanvasRegion> regions = project.regions();
    QList<Placement> placements;
    for (qsizetype i = 0; i < sprites.size(); ++i)
        placements.append(place(project, regions, int(i), quint8(sprites[i].at(63)), convention));
    const QList<quint8> colors =
        spriteColors(placements, sprites, convention, penColor, project.mode());
    Colormap sheet(PerRow * (sw + Gap) - Gap, rows * (SpriteLines + Gap) - Gap);
    const StripColors side = stripColors(project, RegionKind::LeftStrip);
    sheet.fill(side.transparent);
    for (qsizetype i = 0; i < sprites.size(); ++i) {
        const StripColors strip =
            placements[i].region ? stripColors(project, placements[i].region->kind) : side;
        const QPoint origin(int(i % PerRow) * (sw + Gap), int(i / PerRow) * (SpriteLines + Gap));
        for (int y = 0; y < SpriteLines; ++y)
            for (int x = 0; x < sw; ++x)
                sheet.setPixel(origin.x() + x, origin.y() + y,
                               spritePixel(sprites[i], project.mode(), x, y, colors[i], strip));
    }
    QImage image = sheet.toImage(project.paletteVariant());
    return scale == 1 ? image
                      : image.scaled(image.width() * scale, image.height(), Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation);
}
