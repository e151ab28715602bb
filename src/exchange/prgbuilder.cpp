#include "prgbuilder.h"

#include "nativeformats.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/spritebudget.h"

#include "asm/bitmap_hires.h"
#include "asm/bitmap_multi.h"
#include "asm/side_hires.h"
#include "asm/side_multi.h"
#include "asm/topbottom_hires.h"
#include "asm/topbottom_multi.h"

#include <QList>
#include <array>

namespace
{

// One hardware sprite as the exporter cuts it from the canvas.
struct Sprite {
    std::array<quint8, 63> data = {};
    quint8 color = 0;
};

// The colours a strip shares: its transparent colour and the two sprite
// multicolors.
struct StripColors {
    quint8 transparent = 0;
    quint8 multicolor0 = 0;
    quint8 multicolor1 = 0;
};

// 21 lines by 24 display pixels from colormap pixel x and line y; pixels
// outside the canvas are transparent.
Sprite cutSprite(const Colormap &colormap, CanvasMode mode, int x, int y, const StripColors &c)
{
    const bool multi = mode == CanvasMode::Multicolor;
    const int across = multi ? 12 : 24;
    const auto at = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= colormap.width() || py >= colormap.height())
            return c.transparent;
        return quint8(colormap.pixel(px, py) & 15);
    };
    Sprite sprite;
    bool colored = false;
    for (int row = 0; row < 21; ++row) {
        quint32 bits = 0;
        for (int i = 0; i < across; ++i) {
            const quint8 color = at(x + i, y + row);
            int value = 0;
            bool free = false;
            if (multi) {
                value = color == c.transparent   ? 0
                        : color == c.multicolor0 ? 1
                        : color == c.multicolor1 ? 3
                                                 : 2;
                free = value == 2;
                bits |= quint32(value) << (22 - 2 * i);
            } else if (color != c.transparent) {
                free = true;
                bits |= 1u << (23 - i);
            }
            if (free && !colored) {
                sprite.color = color;
                colored = true;
            }
        }
        sprite.data[size_t(row * 3)] = quint8(bits >> 16);
        sprite.data[size_t(row * 3 + 1)] = quint8(bits >> 8);
        sprite.data[size_t(row * 3 + 2)] = quint8(bits);
    }
    if (!colored)
        sprite.color = c.transparent;
    return sprite;
}

void putSprite(QByteArray &image, int fileOffset, const Sprite &sprite, quint8 attribute)
{
    for (int i = 0; i < 63; ++i)
        image[fileOffset + i] = char(sprite.data[size_t(i)]);
    image[fileOffset + 63] = char(attribute);
}

// Writes immediate operands of the display program copied at file offset 2.
class Patcher
{
public:
    Patcher(QByteArray &image, const KorvenAsmProgram &program) : m_image(image), m_program(program)
    {
    }
    void set(const QString &label, int value)
    {
        const int offset = m_program.offsetOf(label.toLatin1().constData());
        Q_ASSERT_X(offset >= 0, "PrgBuilder", qPrintable(label));
        if (offset >= 0)
            m_image[2 + offset] = char(value & 0xff);
    }

private:
    QByteArray &m_image;
    const KorvenAsmProgram &m_program;
};

// The occupied columns of a top or bottom border, ascending.
QList<int> usedColumns(const Project &project, const CanvasRegion &border, quint8 background)
{
    const SpriteGrid grid = spriteGridOf(border, project.mode(), project.layoutSpec());
    QList<bool> used(grid.columns, false);
    for (int y = border.rect.top(); y <= border.rect.bottom(); ++y) {
        for (int x = border.rect.left(); x <= border.rect.right(); ++x) {
            if ((project.colormap().pixel(x, y) & 15) != background)
                used[spriteColumnAt(grid, x)] = true;
        }
    }
    QList<int> columns;
    for (int c = 0; c < grid.columns; ++c) {
        if (used[c])
            columns.append(c);
    }
    return columns;
}

struct BorderPlan {
    CanvasRegion region;
    StripColors colors;
    BorderAlignment alignment = BorderAlignment::Left;
    QList<int> columns;
};

void writeSideSprites(const Project &project, QByteArray &image, Patcher &patch)
{
    const CanvasMode mode = project.mode();
    const bool multi = mode == CanvasMode::Multicolor;
    const StripColors colors{project.slot(multi ? ColorSlot::Background : ColorSlot::Border),
                             project.slot(ColorSlot::SpriteMulticolor0),
                             project.slot(ColorSlot::SpriteMulticolor1)};
    const QRect left = project.regionRect(RegionKind::LeftStrip);
    const QRect right = project.regionRect(RegionKind::RightStrip);
    const int across = multi ? 12 : 24;
    std::array<std::array<quint8, 4>, 10> rowColors = {};
    for (int row = 0; row < 10; ++row) {
        const int y = 21 * row - 8;
        const std::array<int, 4> xs = {left.left(), left.left() + across, right.left(),
                                       right.left() + across};
        for (int k = 0; k < 4; ++k) {
            const Sprite sprite = cutSprite(project.colormap(), mode, xs[size_t(k)], y, colors);
            rowColors[size_t(row)][size_t(k)] = sprite.color;
            putSprite(image, 2 + PrgBuilder::SpriteBlockAddress - 0x3400 + (4 * row + k) * 64,
                      sprite, sprite.color);
        }
    }
    // The program sets the colours at eight points; rows 4+5 and 7+8 share
    // one, taken from the upper row unless its sprite is empty.
    const std::array<std::pair<int, int>, 8> points = {
        {{0, -1}, {1, -1}, {2, -1}, {3, -1}, {4, 5}, {6, -1}, {7, 8}, {9, -1}}};
    for (int p = 0; p < 8; ++p) {
        const auto [upper, lower] = points[size_t(p)];
        for (int k = 0; k < 4; ++k) {
            quint8 color = rowColors[size_t(upper)][size_t(k)];
            if (lower >= 0 && color == colors.transparent)
                color = rowColors[size_t(lower)][size_t(k)];
            patch.set(QStringLiteral("col_%1_%2").arg(p).arg(k), color);
        }
    }
    patch.set(QStringLiteral("mc0"), colors.multicolor0);
    patch.set(QStringLiteral("mc1"), colors.multicolor1);
    patch.set(QStringLiteral("mcen"), multi ? 0xf0 : 0x00);
}

void writeBorderSprites(const Project &project, const BorderPlan &plan, int firstSprite,
                        const QString &prefix, QByteArray &image, Patcher &patch)
{
    const CanvasMode mode = project.mode();
    const int pixelWidth = mode == CanvasMode::Multicolor ? 2 : 1;
    const int displayWidth = project.width() * pixelWidth;
    const bool right = plan.alignment == BorderAlignment::Right;
    int msb = 0;
    for (int i = 0; i < 8; ++i) {
        const bool used = i < plan.columns.size();
        const int column = used ? plan.columns.at(i) : -1;
        Sprite upper, lower;
        upper.color = lower.color = plan.colors.transparent;
        int hardwareX = 0;
        if (used) {
            const int displayX = column * 24 + (right ? displayWidth - 336 : 0);
            const int x = plan.region.rect.left() + displayX / pixelWidth;
            upper = cutSprite(project.colormap(), mode, x, plan.region.rect.top(), plan.colors);
            lower =
                cutSprite(project.colormap(), mode, x, plan.region.rect.top() + 21, plan.colors);
            // One colour shows down both sprites of the pair.
            if (upper.color == plan.colors.transparent)
                upper.color = lower.color;
            else if (lower.color == plan.colors.transparent)
                lower.color = upper.color;
            hardwareX = 24 + 24 * column - (right ? 16 : 0);
            if (hardwareX >= 256)
                msb |= 1 << i;
        }
        const quint8 high = quint8((column & 15) << 4);
        const int spriteOffset = 2 + PrgBuilder::SpriteBlockAddress - 0x3400;
        putSprite(image, spriteOffset + (firstSprite + i) * 64, upper, high | upper.color);
        putSprite(image, spriteOffset + (firstSprite + 8 + i) * 64, lower, high | lower.color);
        patch.set(prefix + QStringLiteral("x_%1").arg(i), hardwareX);
        patch.set(prefix + QStringLiteral("c_%1").arg(i), upper.color);
    }
    patch.set(prefix + QStringLiteral("msb"), msb);
    patch.set(prefix + QStringLiteral("mc0"), plan.colors.multicolor0);
    patch.set(prefix + QStringLiteral("mc1"), plan.colors.multicolor1);
    patch.set(prefix + QStringLiteral("bg"), plan.colors.transparent);
}

} // namespace

QByteArray PrgBuilder::withBasicStart(const QByteArray &prg)
{
    constexpr int Basic = 0x0801;
    if (prg.size() < 3)
        return prg;
    const int load = quint8(prg[0]) | quint8(prg[1]) << 8;
    if (load <= Basic + 16)
        return prg;
    // 10 SYS load: link, line number, the SYS token, the digits, the end.
    const QByteArray digits = QByteArray::number(load);
    const int next = Basic + 2 + 2 + 1 + int(digits.size()) + 1;
    QByteArray out;
    out += char(Basic & 0xff);
    out += char(Basic >> 8);
    out += char(next & 0xff);
    out += char(next >> 8);
    out += char(10);
    out += char(0);
    out += char(0x9e);
    out += digits;
    out += char(0);
    out += QByteArray(2, '\0'); // no further line
    out += QByteArray(2 + load - Basic - out.size(), '\0');
    return out + prg.mid(2);
}

QString PrgBuilder::ntscHiddenRowsNote(const Project &project)
{
    const QList<QRect> hidden = ntscHiddenRows(project.size(), project.layoutSpec());
    if (hidden.size() != 2)
        return {};
    return tr("An NTSC machine does not show rows %1-%2 and %3-%4.")
        .arg(hidden[0].top())
        .arg(hidden[0].bottom())
        .arg(hidden[1].top())
        .arg(hidden[1].bottom());
}

int PrgBuilder::startAddress(CanvasLayout layout)
{
    return layout == CanvasLayout::BitmapOnly ? 0x1e00 : 0x3400;
}

const KorvenAsmProgram &PrgBuilder::displayProgram(CanvasMode mode, CanvasLayout layout)
{
    const bool multi = mode == CanvasMode::Multicolor;
    switch (layout) {
    case CanvasLayout::SideBorderSprites:
        return multi ? korvenAsm_side_multi : korvenAsm_side_hires;
    case CanvasLayout::TopBottomBorderSprites:
        return multi ? korvenAsm_topbottom_multi : korvenAsm_topbottom_hires;
    case CanvasLayout::BitmapOnly:
        break;
    }
    return multi ? korvenAsm_bitmap_multi : korvenAsm_bitmap_hires;
}

QString PrgBuilder::budgetMessage(int topColumns, int bottomColumns)
{
    QStringList parts;
    if (topColumns > SpritesPerBorder)
        parts << tr("the top border holds sprites in %1 unit columns").arg(topColumns);
    if (bottomColumns > SpritesPerBorder)
        parts << tr("the bottom border holds sprites in %1 unit columns").arg(bottomColumns);
    return tr("Over the sprite budget: %1, but the hardware shows at most %2 sprites per border.")
        .arg(parts.join(tr(" and ")))
        .arg(SpritesPerBorder);
}

QByteArray PrgBuilder::buildPrg(const Project &project, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return QByteArray();
    };
    const CanvasMode mode = project.mode();
    const CanvasLayout layout = project.layout();
    if (project.size() != defaultCanvasSize(mode, project.layoutSpec(), 1))
        return fail(tr("The canvas is not a single C64 screen of this layout's size."));

    const bool multi = mode == CanvasMode::Multicolor;
    const bool sprites = layout != CanvasLayout::BitmapOnly;
    BorderPlan top, bottom;
    if (layout == CanvasLayout::TopBottomBorderSprites) {
        const auto plan = [&](RegionKind kind, ColorSlot bg, ColorSlot m0, ColorSlot m1,
                              BorderAlignment alignment) {
            BorderPlan border;
            for (const CanvasRegion &region : project.regions()) {
                if (region.kind == kind)
                    border.region = region;
            }
            border.colors = {project.slot(bg), project.slot(m0), project.slot(m1)};
            border.alignment = alignment;
            border.columns = usedColumns(project, border.region, border.colors.transparent);
            return border;
        };
        top = plan(RegionKind::TopBorder, ColorSlot::TopBackground, ColorSlot::TopMulticolor0,
                   ColorSlot::TopMulticolor1, project.layoutSpec().topAlignment);
        bottom = plan(RegionKind::BottomBorder, ColorSlot::BottomBackground,
                      ColorSlot::BottomMulticolor0, ColorSlot::BottomMulticolor1,
                      project.layoutSpec().bottomAlignment);
        if (top.columns.size() > SpritesPerBorder || bottom.columns.size() > SpritesPerBorder)
            return fail(budgetMessage(int(top.columns.size()), int(bottom.columns.size())));
    }

    const int load = startAddress(layout);
    const int bitmapAddress = sprites ? 0x4000 : 0x2000;
    const int size = sprites ? 15874 : (multi ? 10515 : 9515);
    QByteArray image(size, '\0');
    image[0] = char(load & 0xff);
    image[1] = char(load >> 8);
    const KorvenAsmProgram &program = displayProgram(mode, layout);
    image.replace(2, program.size, reinterpret_cast<const char *>(program.bytes), program.size);

    const QRect bitmap = bitmapRegionRect(mode, project.size(), project.layoutSpec());
    const QByteArray screen =
        NativeFormats::encodeScreen(project.colormap(), mode, bitmap, project.slotBytes());
    int offset = 2 + bitmapAddress - load;
    image.replace(offset, 9000, screen.left(9000));
    offset += 9000;
    if (multi) {
        image.replace(offset, 1000, screen.mid(9000, 1000));
        offset += 1000;
    }
    image[offset] = char(project.slot(multi ? ColorSlot::Background : ColorSlot::Border) & 15);

    Patcher patch(image, program);
    if (layout == CanvasLayout::BitmapOnly && multi)
        patch.set(QStringLiteral("border"), project.slot(ColorSlot::Border));
    if (layout == CanvasLayout::SideBorderSprites) {
        writeSideSprites(project, image, patch);
    } else if (layout == CanvasLayout::TopBottomBorderSprites) {
        // Sprites 0-15 the bottom border, 16-31 the top border.
        writeBorderSprites(project, bottom, 0, QStringLiteral("b"), image, patch);
        writeBorderSprites(project, top, 16, QStringLiteral("t"), image, patch);
        patch.set(QStringLiteral("mcen"), multi ? 0xff : 0x00);
        if (multi)
            patch.set(QStringLiteral("border"), project.slot(ColorSlot::Border));
    }
    return image;
}
