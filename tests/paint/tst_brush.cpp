#include "paint/antialiasmixtable.h"
#include "paint/brushsettings.h"
#include "paint/pixelperfectfilter.h"
#include "paint/texture.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<QPoint>)

class TestBrush : public QObject
{
    Q_OBJECT

private slots:
    void effectiveWidth_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("tablet");
        QTest::addColumn<bool>("widening");
        QTest::addColumn<double>("pressure");
        QTest::addColumn<int>("expected");
        QTest::newRow("mouse ignores pressure") << 8 << false << true << 1.0 << 8;
        QTest::newRow("widening off") << 8 << true << false << 1.0 << 8;
        QTest::newRow("full press on 32") << 32 << true << true << 1.0 << 48;
        QTest::newRow("half press: 1 + 16 x 0.25") << 1 << true << true << 0.5 << 5;
        QTest::newRow("light press: 1.25 rounds down") << 1 << true << true << 0.125 << 1;
        QTest::newRow("clamped to 65") << 60 << true << true << 1.0 << 65;
        QTest::newRow("zero stored width clamps up") << 0 << false << true << 0.0 << 1;
    }
    void effectiveWidth()
    {
        QFETCH(int, stored);
        QFETCH(bool, tablet);
        QFETCH(bool, widening);
        QFETCH(double, pressure);
        QTEST(effectiveBrushWidth(stored, tablet, widening, pressure), "expected");
    }
    void nibOffsets_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("pixelWidth");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<double>("ox");
        QTest::addColumn<double>("oy");
        QTest::newRow("width 1 centred") << 1 << 1.0 << 1.0 << 0.5 << 0.5;
        QTest::newRow("hires even on corner") << 8 << 1.0 << 1.0 << 0.0 << 0.0;
        QTest::newRow("hires odd on centre") << 7 << 1.0 << 1.0 << 0.5 << 0.5;
        // 6 display pixels are 3 multicolor pixels across: odd, but 6 rows: even.
        QTest::newRow("multicolor 6") << 6 << 2.0 << 1.0 << 0.5 << 0.0;
        // 2 display pixels are one multicolor pixel: below 2, centred.
        QTest::newRow("multicolor 2") << 2 << 2.0 << 1.0 << 0.5 << 0.0;
        // 4 x 0.75 = 3 rows on an NTSC display: odd.
        QTest::newRow("ntsc rows") << 4 << 1.0 << 0.75 << 0.0 << 0.5;
    }
    void nibOffsets()
    {
        QFETCH(int, width);
        QFETCH(double, pixelWidth);
        QFETCH(double, aspect);
        const NibOffset offset = nibCentringOffset(width, pixelWidth, aspect);
        QTEST(offset.x, "ox");
        QTEST(offset.y, "oy");
    }
    void pixelPerfect_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QList<QPoint>>("feeds");
        QTest::addColumn<QList<QPoint>>("emitted");
        QTest::addColumn<QPoint>("pending");
        // Right then down: the corner (11,10) is dropped, (11,11) waits.
        QTest::newRow("corner dropped") << QPoint(10, 10) << QList<QPoint>{{11, 10}, {11, 11}}
                                        << QList<QPoint>{{10, 10}} << QPoint(11, 11);
        QTest::newRow("down then left") << QPoint(3, 3) << QList<QPoint>{{3, 4}, {2, 4}}
                                        << QList<QPoint>{{3, 3}} << QPoint(2, 4);
        QTest::newRow("straight run") << QPoint(0, 0) << QList<QPoint>{{1, 0}, {2, 0}, {3, 0}}
                                      << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}} << QPoint(3, 0);
        QTest::newRow("diagonal keeps") << QPoint(0, 0) << QList<QPoint>{{1, 1}, {2, 2}}
                                        << QList<QPoint>{{0, 0}, {1, 1}} << QPoint(2, 2);
        // A long feed is walked pixel by pixel: 0,0 -> 4,2 steps through
        // (1,1) (2,1) (3,2) (4,2) after rounding half away from zero.
        QTest::newRow("walked feed")
            << QPoint(0, 0) << QList<QPoint>{{4, 2}}
            << QList<QPoint>{{0, 0}, {1, 1}, {2, 1}, {3, 2}} << QPoint(4, 2);
        QTest::newRow("same pixel")
            << QPoint(5, 5) << QList<QPoint>{{5, 5}, {5, 5}} << QList<QPoint>{} << QPoint(5, 5);
    }
    void pixelPerfect()
    {
        QFETCH(QPoint, start);
        QFETCH(QList<QPoint>, feeds);
        QFETCH(QPoint, pending);
        PixelPerfectFilter filter;
        QVERIFY(filter.feed(start).isEmpty()); // no pending pixel yet
        filter.start(start);
        QList<QPoint> out;
        for (QPoint p : feeds)
            out += filter.feed(p);
        QTEST(out, "emitted");
        QVERIFY(filter.hasPending());
        QCOMPARE(filter.pending(), pending);
        QCOMPARE(filter.flush(), QList<QPoint>{pending});
        QVERIFY(!filter.hasPending());
        QVERIFY(filter.flush().isEmpty());
    }
    void stripThreshold_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("set");
        // A bit is set from 11 x red + 16 x green + 5 x blue = 4096 on.
        QTest::newRow("white") << QColor(255, 255, 255) << true;
        QTest::newRow("pure green: 4080") << QColor(0, 255, 0) << false;
        QTest::newRow("one short: 4095") << QColor(0, 255, 3) << false;
        QTest::newRow("exactly 4096") << QColor(1, 255, 1) << true;
        QTest::newRow("magenta: 4080") << QColor(255, 0, 255) << false;
    }
    void stripThreshold()
    {
        QFETCH(QColor, color);
        QFETCH(bool, set);
        QImage strip(16, 16, QImage::Format_RGB32);
        strip.fill(Qt::black);
        strip.setPixelColor(3, 7, color);
        const QList<Texture> tiles = Texture::fromStrip(strip);
        QCOMPARE(tiles.size(), 1);
        QCOMPARE(tiles[0].bitAt(3, 7), set);
        QCOMPARE(tiles[0].row(7), quint16(set ? 1u << 3 : 0u));
        QCOMPARE(tiles[0].setBitCount(), set ? 1 : 0);
    }
    void stripTilingAndNegative()
    {
        // 40 x 20: two whole tiles, the rest is dropped.
        QImage strip(40, 20, QImage::Format_RGB32);
        strip.fill(Qt::black);
        strip.setPixel(0, 0, qRgb(255, 255, 255));   // tile 0, bit 0 of row 0
        strip.setPixel(31, 15, qRgb(255, 255, 255)); // tile 1, bit 15 of row 15
        strip.setPixel(35, 2, qRgb(255, 255, 255));  // beyond the last whole tile
        const QList<Texture> tiles = Texture::fromStrip(strip);
        QCOMPARE(tiles.size(), 2);
        QCOMPARE(tiles[0].row(0), quint16(1));
        QCOMPARE(tiles[0].setBitCount(), 1);
        QCOMPARE(tiles[1].row(15), quint16(0x8000));
        QCOMPARE(tiles[1].setBitCount(), 1);
        // The tile repeats over the canvas.
        QVERIFY(tiles[1].bitAt(15 + 16 * 7, 15 + 16 * 3));
        QVERIFY(!tiles[1].bitAt(14, 15));
        QVERIFY(Texture::fromStrip(QImage(15, 16, QImage::Format_RGB32)).isEmpty());
        QVERIFY(Texture::fromStrip(QImage(64, 15, QImage::Format_RGB32)).isEmpty());

        const Texture inverse = tiles[1].negative();
        QCOMPARE(inverse.setBitCount(), 255);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                QCOMPARE(inverse.bitAt(x, y), !tiles[1].bitAt(x, y));
        QCOMPARE(inverse.negative(), tiles[1]);
        QVERIFY(Texture().isSolid());
        QVERIFY(!tiles[1].isSolid());
        QCOMPARE(Texture().negative().setBitCount(), 0);
    }
    void sheets()
    {
        for (bool multicolor : {false, true}) {
            const QList<Texture> tiles = Texture::fromStripFile(textureSheetPath(multicolor));
            QVERIFY(tiles.size() >= 24);
            // Tiles 1..15 are the ordered dithers from 1/16 to 15/16: every 4 x 4
            // block holds exactly that many set bits.
            for (int level = 1; level <= 15; ++level) {
                for (int b = 0; b < 16; ++b) {
                    int count = 0;
                    for (int i = 0; i < 16; ++i)
                        count += tiles[level].bitAt(b % 4 * 4 + i % 4, b / 4 * 4 + i / 4);
                    QCOMPARE(count, level);
                }
            }
            // Every pattern is distinct, and only the first is solid.
            for (int i = 0; i < tiles.size(); ++i) {
                QCOMPARE(tiles[i].isSolid(), i == 0);
                QVERIFY(tiles[i].setBitCount() > 0);
                for (int j = i + 1; j < tiles.size(); ++j)
                    QVERIFY2(!(tiles[i] == tiles[j]), qPrintable(QString("%1 = %2").arg(i).arg(j)));
            }
        }
    }
    void mixTable_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("coverage");
        QTest::addColumn<int>("expected");
        // White (1) over black (0). Half is (128,128,128): grey 12, 808080, exactly.
        QTest::newRow("pixcen grey") << 0 << 128 << 12;
        // A quarter (64,64,64) is nearer 11 (555555, d = 3 x 21^2) than 0 (3 x 64^2).
        QTest::newRow("pixcen quarter") << 0 << 64 << 11;
        // Pepto: 12 is 6C6C6C (d = 3 x 20^2), 15 is 959595 (3 x 21^2).
        QTest::newRow("pepto grey") << 1 << 128 << 12;
        QTest::newRow("a sliver stays the colour under") << 0 << 10 << 0;
    }
    void mixTable()
    {
        QFETCH(int, variant);
        QFETCH(int, coverage);
        AntialiasMixTable table;
        QVERIFY(!table.isBuilt());
        QVERIFY(table.ensure(variant));
        QTEST(int(table.mix(1, 0, quint8(coverage))), "expected");
        for (int s = 0; s < 16; ++s) {
            for (int u = 0; u < 16; ++u) {
                QCOMPARE(table.mix(quint8(s), quint8(u), 0), quint8(u));
                QCOMPARE(table.mix(quint8(s), quint8(u), 255), quint8(s));
            }
            QCOMPARE(table.mix(quint8(s), quint8(s), quint8(coverage)), quint8(s));
        }
        // Built again only when the palette or the metric changes.
        QVERIFY(!table.ensure(variant));
        QVERIFY(table.ensure(variant + 1));
        QVERIFY(table.ensure(variant + 1, ColorMetric::Weighted));
        QVERIFY(!table.ensure(variant + 1, ColorMetric::Weighted));
        QCOMPARE(table.buildCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestBrush)
#include "tst_brush.moc"
