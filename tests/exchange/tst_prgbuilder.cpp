// The PRG builder: the byte layout of the four kinds of program, the
// sprite budget message, paired sprite colours and the sprite block read
// back against the canvas.

#include "prgtesthelpers.h"

#include "document/geometry.h"
#include "exchange/nativeformats.h"

#include <QTest>

using namespace prgtest;

namespace
{

constexpr int SpriteOffset = 2 + 0x6800 - 0x3400;

void paintColumns(Project &project, RegionKind kind, int count, quint8 color)
{
    const QRect border = project.regionRect(kind);
    for (int c = 0; c < count; ++c)
        project.colormap().setPixel(border.left() + 24 * c + 30 % 24, border.top() + 3, color);
}

// The colour a sprite shows at (i, row) given its block bytes.
quint8 spritePixel(const QByteArray &sprite, bool multi, int i, int row, quint8 transparent,
                   quint8 mc0, quint8 mc1)
{
    const quint32 bits = quint8(sprite[row * 3]) << 16 | quint8(sprite[row * 3 + 1]) << 8 |
                         quint8(sprite[row * 3 + 2]);
    const quint8 color = sprite[63] & 15;
    if (!multi)
        return (bits >> (23 - i) & 1) ? color : transparent;
    const int pair = bits >> (22 - 2 * i) & 3;
    return pair == 0 ? transparent : pair == 1 ? mc0 : pair == 3 ? mc1 : color;
}

} // namespace

class TestPrgBuilder : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("bitmap"); // file offsets
        QTest::addColumn<int>("single");
        QTest::newRow("hires bitmap") << 0 << 0 << 9515 << 514 << 9514;
        QTest::newRow("multi bitmap") << 1 << 0 << 10515 << 514 << 10514;
        QTest::newRow("hires side") << 0 << 1 << 15874 << 3074 << 12074;
        QTest::newRow("multi top/bottom") << 1 << 2 << 15874 << 3074 << 13074;
    }
    void layouts()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(int, size);
        QFETCH(int, bitmap);
        QFETCH(int, single);
        const Project p = randomProject(CanvasMode(mode), CanvasLayout(layout), 3);
        const QByteArray prg = PrgBuilder::buildPrg(p);
        QCOMPARE(prg.size(), size);
        const int load = layout ? 0x3400 : 0x1e00;
        QCOMPARE(quint8(prg[0]) | quint8(prg[1]) << 8, load);
        const QByteArray screen = NativeFormats::encodeScreen(
            p.colormap(), p.mode(), bitmapRegionRect(p.mode(), p.size(), p.layoutSpec()),
            p.slotBytes());
        const int data = mode ? 10000 : 9000;
        QCOMPARE(prg.mid(bitmap, data), screen.left(data));
        QCOMPARE(int(quint8(prg[single])),
                 int(p.slot(mode ? ColorSlot::Background : ColorSlot::Border)));
        // Everything between the program and the bitmap, and after the single byte
        // up to the sprites, is zero.
        const KorvenAsmProgram &program = PrgBuilder::displayProgram(p.mode(), p.layout());
        QCOMPARE(prg.mid(2 + program.size, bitmap - 2 - program.size).count('\0'),
                 bitmap - 2 - program.size);
        const int end = layout ? SpriteOffset : size;
        QCOMPARE(prg.mid(single + 1, end - single - 1).count('\0'), end - single - 1);
        QCOMPARE(prg.mid(2, 16), QByteArray(reinterpret_cast<const char *>(program.bytes), 16));
    }

    void refusals_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("screens");
        QTest::addColumn<QString>("error");
        QTest::newRow("both over") << 9 << 10 << 1
                                   << "Over the sprite budget: the top border holds sprites in 9 "
                                      "unit columns and the bottom "
                                      "border holds sprites in 10 unit columns, but the hardware "
                                      "shows at most 8 sprites per border.";
        QTest::newRow("bottom over") << 8 << 12 << 1
                                     << "Over the sprite budget: the bottom border holds sprites "
                                        "in 12 unit columns, but the "
                                        "hardware shows at most 8 sprites per border.";
        QTest::newRow("within") << 8 << 8 << 1 << QString();
        QTest::newRow("dual screen")
            << 0 << 0 << 2 << "The canvas is not a single C64 screen of this layout's size.";
    }
    void refusals()
    {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(int, screens);
        QFETCH(QString, error);
        LayoutSpec spec{screens > 1 ? CanvasLayout::BitmapOnly
                                    : CanvasLayout::TopBottomBorderSprites};
        Project p(CanvasMode::Hires, -1, -1, spec, screens);
        if (screens == 1) {
            paintColumns(p, RegionKind::TopBorder, top, 2);
            paintColumns(p, RegionKind::BottomBorder, bottom, 5);
        }
        QString message;
        const QByteArray prg = PrgBuilder::buildPrg(p, &message);
        QCOMPARE(prg.isEmpty(), !error.isEmpty());
        QCOMPARE(message, error);
    }

    // One colour shows down a top/bottom pair: an empty half takes the other's.
    void pairedColours_data()
    {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("shown");
        QTest::newRow("upper empty") << -1 << 5 << 5;
        QTest::newRow("lower empty") << 2 << -1 << 2;
    }
    void pairedColours()
    {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, shown);
        LayoutSpec spec{CanvasLayout::TopBottomBorderSprites};
        Project p(CanvasMode::Hires, -1, -1, spec);
        const QRect bottom = p.regionRect(RegionKind::BottomBorder);
        for (const auto &[color, y] : {std::pair{upper, 4}, std::pair{lower, 30}})
            if (color >= 0)
                p.colormap().setPixel(3 * 24 + 1, bottom.top() + y, quint8(color));
        const QByteArray prg = PrgBuilder::buildPrg(p);
        // Bottom border: sprite 0 is the upper row's first used column, 8 the lower's.
        QCOMPARE(int(quint8(prg[SpriteOffset + 63])), 3 << 4 | shown);
        QCOMPARE(int(quint8(prg[SpriteOffset + 8 * 64 + 63])), 3 << 4 | shown);
        QCOMPARE(int(quint8(prg[SpriteOffset + 64 + 63])),
                 0xf0 | p.slot(ColorSlot::BottomBackground));
    }

    // Property: every sprite of the block, drawn with its attribute colour at
    // its place, shows exactly the canvas pixels it was cut from.
    void spritesShowTheCanvas_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 3; ++seed)
            for (int mode = 0; mode < 2; ++mode)
                for (int layout = 1; layout < 3; ++layout)
                    QTest::addRow("%s %d seed %u", mode ? "multi" : "hires", layout, seed)
                        << mode << layout << seed;
    }
    void spritesShowTheCanvas()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(quint32, seed);
        const Project p = randomProject(CanvasMode(mode), CanvasLayout(layout), seed);
        const QByteArray prg = PrgBuilder::buildPrg(p);
        QVERIFY(!prg.isEmpty());
        const bool multi = mode == 1;
        const int step = multi ? 2 : 1, across = 24 / step;
        const auto check = [&](int index, const QRect &region, int x, int y, ColorSlot bg,
                               ColorSlot m0) {
            const QByteArray sprite = prg.mid(SpriteOffset + 64 * index, 64);
            for (int row = 0; row < 21; ++row)
                for (int i = 0; i < across; ++i) {
                    const QPoint at(x + i, y + row);
                    if (!region.contains(at))
                        continue;
                    QCOMPARE(spritePixel(sprite, multi, i, row, p.slot(bg), p.slot(m0),
                                         p.slot(ColorSlot(int(m0) + 1))),
                             p.colormap().pixel(at.x(), at.y()));
                }
        };
        if (layout == 1) {
            const QRect left = p.regionRect(RegionKind::LeftStrip),
                        right = p.regionRect(RegionKind::RightStrip);
            for (int s = 0; s < 40; ++s) {
                const QRect strip = s % 4 < 2 ? left : right;
                check(s, strip, strip.left() + (s % 2) * across, 21 * (s / 4) - 8,
                      multi ? ColorSlot::Background : ColorSlot::Border,
                      ColorSlot::SpriteMulticolor0);
            }
            return;
        }
        for (int s = 0; s < 32; ++s) {
            const bool top = s >= 16;
            const QRect region =
                p.regionRect(top ? RegionKind::TopBorder : RegionKind::BottomBorder);
            const int column = quint8(prg[SpriteOffset + 64 * s + 63]) >> 4;
            const bool right = (top ? p.layoutSpec().topAlignment
                                    : p.layoutSpec().bottomAlignment) == BorderAlignment::Right;
            if (column == 15)
                continue;
            check(s, region, (column * 24 - (right ? 16 : 0)) / step,
                  region.top() + (s % 16 >= 8 ? 21 : 0),
                  top ? ColorSlot::TopBackground : ColorSlot::BottomBackground,
                  top ? ColorSlot::TopMulticolor0 : ColorSlot::BottomMulticolor0);
        }
    }
};

QTEST_GUILESS_MAIN(TestPrgBuilder)
#include "tst_prgbuilder.moc"
