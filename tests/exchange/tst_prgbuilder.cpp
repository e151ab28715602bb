// The PRG builder: the byte layout of the four kinds of program, the
// refusals with their messages and the sprite block read back against the
// canvas.

#include "prgtesthelpers.h"

#include "document/geometry.h"
#include "exchange/nativeformats.h"

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
    // Load address, program, bitmap, screen and colour RAM, the single
    // colour byte, and zeros everywhere else before the sprites.
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
        QCOMPARE(quint8(prg[0]) | quint8(prg[1]) << 8, layout ? 0x3400 : 0x1e00);
        const KorvenAsmProgram &program = PrgBuilder::displayProgram(p.mode(), p.layout());
        QCOMPARE(prg.mid(2, 16), QByteArray(reinterpret_cast<const char *>(program.bytes), 16));
        const QByteArray screen = NativeFormats::encodeScreen(
            p.colormap(), p.mode(), bitmapRegionRect(p.mode(), p.size(), p.layoutSpec()),
            p.slotBytes());
        QCOMPARE(prg.mid(bitmap, single - bitmap), screen.left(single - bitmap));
        QCOMPARE(int(prg[single]), int(p.slot(mode ? ColorSlot::Background : ColorSlot::Border)));
        const int gap = bitmap - 2 - program.size, end = layout ? SpriteOffset : size;
        QCOMPARE(prg.mid(2 + program.size, gap).count('\0'), gap);
        QCOMPARE(prg.mid(single + 1, end - single - 1).count('\0'), end - single - 1);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("screens");
        QTest::addColumn<QString>("error");
        const QString limit =
            QStringLiteral(", but the hardware shows at most 8 sprites per border.");
        QTest::newRow("both over")
            << 9 << 10 << 1
            << "Over the sprite budget: the top border holds sprites in 9 unit columns and the "
               "bottom border holds sprites in 10 unit columns" +
                   limit;
        QTest::newRow("bottom over")
            << 8 << 12 << 1
            << "Over the sprite budget: the bottom border holds sprites in 12 unit columns" + limit;
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

    // One colour shows down a top/bottom pair: an empty half takes the
    // other's (upper, lower: -1 for empty).
    void pairedColours_data()
    {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::newRow("upper empty") << -1 << 5;
        QTest::newRow("lower empty") << 2 << -1;
    }
    void pairedColours()
    {
        QFETCH(int, upper);
        QFETCH(int, lower);
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
    void spritesShowTheCanvas_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<quint32>("seed");
        for (quint32 n = 0; n < 12; ++n)
            QTest::addRow("mode %u layout %u seed %u", n & 1, 1 + (n >> 1 & 1), n / 4)
                << int(n & 1) << int(1 + (n >> 1 & 1)) << n / 4;
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
            const std::array<quint8, 3> shared = {p.slot(bg), p.slot(m0),
                                                  p.slot(ColorSlot(int(m0) + 1))};
            for (int row = 0; row < 21; ++row)
                for (int i = 0; i < across; ++i)
                    if (region.contains(x + i, y + row))
                        QCOMPARE(spritePixel(sprite, multi, i, row, shared),
                                 p.colormap().pixel(x + i, y + row));
        };
        for (int s = 0; s < (layout == 1 ? 40 : 32); ++s) {
            if (layout == 1) {
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
