#include "../common/paintrows.h"

#include "paint/antialiasmixtable.h"
#include "paint/brushsettings.h"
#include "paint/pixelperfectfilter.h"
#include "paint/texture.h"

#include <QtTest>

class TestBrush : public QObject
{
    Q_OBJECT

private slots:
    void effectiveWidth_data() { addTextRows("paint/brush.txt", "width"); }
    void effectiveWidth()
    {
        QFETCH(QStringList, row);
        QCOMPARE(
            effectiveBrushWidth(row[0].toInt(), row[1] == u'1', row[2] == u'1', row[3].toDouble()),
            row[4].toInt());
    }
    void nibOffsets_data() { addTextRows("paint/brush.txt", "nib"); }
    void nibOffsets()
    {
        QFETCH(QStringList, row);
        const NibOffset offset =
            nibCentringOffset(row[0].toInt(), row[1].toDouble(), row[2].toDouble());
        QCOMPARE(QPointF(offset.x, offset.y), QPointF(row[3].toDouble(), row[4].toDouble()));
    }
    void pixelPerfect_data() { addTextRows("paint/brush.txt", "perfect"); }
    void pixelPerfect()
    {
        QFETCH(QStringList, row);
        const QPoint start = pointOf(row[0]), pending = pointOf(row[3]);
        PixelPerfectFilter filter;
        QVERIFY(filter.feed(start).isEmpty()); // no pending pixel yet
        filter.start(start);
        const QList<int> fed = intsOf(row[1]);
        QList<int> out;
        for (int i = 0; i + 1 < fed.size(); i += 2)
            for (QPoint p : filter.feed(QPoint(fed[i], fed[i + 1])))
                out << p.x() << p.y();
        QCOMPARE(out, intsOf(row[2]));
        QVERIFY(filter.hasPending() && filter.pending() == pending);
        QCOMPARE(filter.flush(), QList<QPoint>{pending});
        QVERIFY(!filter.hasPending() && filter.flush().isEmpty());
    }
    void stripThreshold_data() { addTextRows("paint/brush.txt", "strip"); }
    void stripThreshold()
    {
        QFETCH(QStringList, row);
        const QList<int> rgb = intsOf(row[0]);
        QImage strip(16, 16, QImage::Format_RGB32);
        strip.fill(Qt::black);
        strip.setPixel(3, 7, qRgb(rgb[0], rgb[1], rgb[2]));
        const QList<Texture> tiles = Texture::fromStrip(strip);
        const bool set = row[1] == u'1';
        QCOMPARE((QList<int>{int(tiles.size()), tiles[0].row(7)}), (QList<int>{1, set ? 8 : 0}));
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
        QCOMPARE((QList<int>{int(tiles.size()), tiles[0].row(0), tiles[0].setBitCount(),
                             tiles[1].row(15), tiles[1].setBitCount()}),
                 (QList<int>{2, 1, 1, 0x8000, 1}));
        // The tile repeats over the canvas.
        QVERIFY(tiles[1].bitAt(15 + 16 * 7, 15 + 16 * 3) && !tiles[1].bitAt(14, 15));
        for (const QSize tooSmall : {QSize(15, 16), QSize(64, 15)})
            QVERIFY(Texture::fromStrip(QImage(tooSmall, QImage::Format_RGB32)).isEmpty());

        const Texture inverse = tiles[1].negative();
        QVERIFY(inverse.setBitCount() == 255 && !inverse.bitAt(15, 15) &&
                inverse.negative() == tiles[1]);
        QVERIFY(Texture().isSolid() && !tiles[1].isSolid() &&
                Texture().negative().setBitCount() == 0);
    }
    void sheets()
    {
        // Tile 0 is solid, tiles 1..15 the ordered dithers from 1/16 to 15/16.
        for (bool multicolor : {false, true}) {
            const QList<Texture> tiles = Texture::fromStripFile(textureSheetPath(multicolor));
            QVERIFY(tiles.size() >= 24 && tiles[0].isSolid());
            for (int level = 1; level <= 15; ++level)
                QCOMPARE(tiles[level].setBitCount(), level * 16);
        }
    }
    void mixTable_data() { addTextRows("paint/brush.txt", "mix"); }
    void mixTable()
    {
        QFETCH(QStringList, row);
        const int variant = row[0].toInt(), coverage = row[1].toInt();
        AntialiasMixTable table;
        QVERIFY(!table.isBuilt() && table.ensure(variant));
        QCOMPARE(int(table.mix(1, 0, quint8(coverage))), row[2].toInt());
        // No coverage keeps the colour under, full coverage paints the colour
        // over, and a colour over itself stays.
        for (int s = 0; s < 256; ++s) {
            const quint8 over = quint8(s / 16), under = quint8(s % 16);
            QCOMPARE(QList<int>({table.mix(over, under, 0), table.mix(over, under, 255),
                                 table.mix(over, over, quint8(coverage))}),
                     QList<int>({under, over, over}));
        }
        // Built again only when the palette or the metric changes.
        QCOMPARE((QList<bool>{table.ensure(variant), table.ensure(variant + 1),
                              table.ensure(variant + 1, ColorMetric::Weighted),
                              table.ensure(variant + 1, ColorMetric::Weighted)}),
                 (QList<bool>{false, true, true, false}));
    }
};

QTEST_GUILESS_MAIN(TestBrush)
#include "tst_brush.moc"
