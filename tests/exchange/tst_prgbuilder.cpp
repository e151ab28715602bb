// The PRG builder: the byte layout of the four kinds of program, the
// refusals with their messages and the sprite block read back against the
// canvas.

#include "../common/paintrows.h"
#include "prgtesthelpers.h"

#include <QTest>

using namespace prgtest;

namespace
{

constexpr int SpriteOffset = 2 + 0x6800 - 0x3400;

// The colour a sprite of the block shows at (i, row).
quint8 spritePixel(const QByteArray &sprite, bool multi, int i, int row,
                   const std::array<quint8, 3> &shared) // transparent, multicolor 0, 1
{
    const quint32 bits = quint8(sprite[row * 3]) << 16 | quint8(sprite[row * 3 + 1]) << 8 |
                         quint8(sprite[row * 3 + 2]);
    const int value = multi ? bits >> (22 - 2 * i) & 3 : (bits >> (23 - i) & 1) * 2;
    return value == 2 ? sprite[63] & 15 : shared[size_t(value == 3 ? 2 : value)];
}

} // namespace

class TestPrgBuilder : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data() { addTextRows("exchange/prgbuilder.txt", "layout"); }
    // The file's size, and zeros everywhere before the sprites but the
    // program, its data and the single colour byte. What the program finds
    // there, from the load address on, is pinned by tst_prgrun's setupState.
    void layouts()
    {
        QFETCH(QStringList, row);
        const int layout = row[1].toInt(), size = row[2].toInt();
        const int bitmap = row[3].toInt(), single = row[4].toInt();
        const Project p = randomProject(CanvasMode(row[0].toInt()), CanvasLayout(layout), 3);
        const QByteArray prg = PrgBuilder::buildPrg(p);
        QCOMPARE(prg.size(), size);
        const int gap = bitmap - 2 - PrgBuilder::displayProgram(p.mode(), p.layout()).size;
        const int end = layout ? SpriteOffset : size;
        QCOMPARE(prg.mid(bitmap - gap, gap).count('\0'), gap);
        QCOMPARE(prg.mid(single + 1, end - single - 1).count('\0'), end - single - 1);
    }

    void refusals_data() { addTextRows("exchange/prgbuilder.txt", "refusal"); }
    void refusals()
    {
        QFETCH(QStringList, row);
        const int top = row[0].toInt(), bottom = row[1].toInt(), screens = row[2].toInt();
        const QString &error = row[3];
        Project p(CanvasMode::Hires, -1, -1,
                  {screens > 1 ? CanvasLayout::BitmapOnly : CanvasLayout::TopBottomBorderSprites},
                  screens);
        for (const auto &[kind, count] :
             {std::pair{RegionKind::TopBorder, top}, std::pair{RegionKind::BottomBorder, bottom}})
            for (int c = 0; c < count; ++c)
                p.colormap().setPixel(24 * c + 6, p.regionRect(kind).top() + 3, 2);
        QString message;
        QCOMPARE(PrgBuilder::buildPrg(p, &message).isEmpty(), !error.isEmpty());
        QCOMPARE(message, error);
    }

    void pairedColours_data() { addTextRows("exchange/prgbuilder.txt", "paired"); }
    void pairedColours()
    {
        QFETCH(QStringList, row);
        const int upper = row[0].toInt(), lower = row[1].toInt();
        Project p(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites});
        const int top = p.regionRect(RegionKind::BottomBorder).top();
        for (const auto &[color, y] : {std::pair{upper, 4}, std::pair{lower, 30}})
            if (color >= 0)
                p.colormap().setPixel(3 * 24 + 1, top + y, quint8(color));
        const QByteArray prg = PrgBuilder::buildPrg(p);
        for (int sprite : {0, 8}) // the bottom border's first used column, both rows
            QCOMPARE(int(quint8(prg[SpriteOffset + 64 * sprite + 63])),
                     3 << 4 | qMax(upper, lower));
    }

    // Property: every sprite of the block, drawn with its attribute colour at
    // its place, shows exactly the canvas pixels it was cut from; the two
    // sprites of a top/bottom pair carry one colour, and unused positions are
    // $F0 | the border's background.
    void spritesShowTheCanvas_data() { addCanvasRows({1, 2}, {0, 1, 2}); }
    void spritesShowTheCanvas()
    {
        QFETCH(CanvasRow, row);
        const Project p = row.project();
        const QByteArray prg = PrgBuilder::buildPrg(p);
        QVERIFY(!prg.isEmpty());
        const bool multi = row.mode == 1;
        const int step = multi ? 2 : 1, across = 24 / step;
        const auto check = [&](int index, const QRect &region, int x, int y, ColorSlot bg,
                               ColorSlot m0) {
            const QByteArray sprite = prg.mid(SpriteOffset + 64 * index, 64);
            const std::array<quint8, 3> shared = {p.slot(bg), p.slot(m0),
                                                  p.slot(ColorSlot(int(m0) + 1))};
            for (int line = 0; line < 21; ++line)
                for (int i = 0; i < across; ++i)
                    if (region.contains(x + i, y + line))
                        QCOMPARE(spritePixel(sprite, multi, i, line, shared),
                                 p.colormap().pixel(x + i, y + line));
        };
        for (int s = 0; s < (row.layout == 1 ? 40 : 32); ++s) {
            if (row.layout == 1) {
                const QRect strip =
                    p.regionRect(s % 4 < 2 ? RegionKind::LeftStrip : RegionKind::RightStrip);
                check(s, strip, strip.left() + (s % 2) * across, 21 * (s / 4) - 8,
                      multi ? ColorSlot::Background : ColorSlot::Border,
                      ColorSlot::SpriteMulticolor0);
                continue;
            }
            const bool top = s >= 16;
            const QRect region =
                p.regionRect(top ? RegionKind::TopBorder : RegionKind::BottomBorder);
            const int attribute = quint8(prg[SpriteOffset + 64 * s + 63]), column = attribute >> 4;
            QCOMPARE(int(quint8(prg[SpriteOffset + 64 * (s ^ 8) + 63])), attribute);
            const ColorSlot bg = top ? ColorSlot::TopBackground : ColorSlot::BottomBackground;
            if (column == 15)
                QCOMPARE(attribute, 0xf0 | p.slot(bg));
            const bool right = (top ? p.layoutSpec().topAlignment
                                    : p.layoutSpec().bottomAlignment) == BorderAlignment::Right;
            if (column != 15)
                check(s, region, (column * 24 - (right ? 16 : 0)) / step,
                      region.top() + (s % 16 >= 8 ? 21 : 0), bg,
                      top ? ColorSlot::TopMulticolor0 : ColorSlot::BottomMulticolor0);
        }
    }

    // The BASIC line in front of an uncompressed program: 10 SYS start,
    // linked to the end marker, and the program at its own address.
    void basicStart()
    {
        for (const int layout : {0, 1}) {
            const QByteArray prg =
                PrgBuilder::buildPrg(Project(CanvasMode::Hires, -1, -1, {CanvasLayout(layout)}));
            const QByteArray run = PrgBuilder::withBasicStart(prg);
            const int start = layout == 0 ? 7680 : 13312;
            QCOMPARE(run.left(2), QByteArray("\x01\x08", 2));
            QCOMPARE(run.mid(6, run.indexOf('\0', 6) - 6), "\x9e" + QByteArray::number(start));
            const int link = quint8(run[2]) | quint8(run[3]) << 8;
            QCOMPARE(run.mid(2 + link - 0x801, 2), QByteArray(2, '\0'));
            QCOMPARE(quint8(run[4]) | quint8(run[5]) << 8, 10);
            QCOMPARE(run.mid(2 + start - 0x801), prg.mid(2));
            QCOMPARE(PrgBuilder::withBasicStart(run), run);
        }
    }
};

QTEST_GUILESS_MAIN(TestPrgBuilder)
#include "tst_prgbuilder.moc"
