#include "document/colormap.h"
#include "document/colormapcrop.h"

#include <QRegularExpression>
#include <QTest>

namespace
{

// A colormap whose pixel (x, y) holds (x + 3y) mod 16.
Colormap pattern(int w, int h)
{
    Colormap map(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            map.setPixel(x, y, quint8((x + 3 * y) % 16));
    }
    return map;
}

} // namespace

class TestColormap : public QObject
{
    Q_OBJECT

private slots:
    void outsideReadsZeroAndIgnoresWrites()
    {
        Colormap map = pattern(5, 4);
        const Colormap before = map;
        for (const QPoint p : {QPoint(-1, 0), QPoint(0, -1), QPoint(5, 0), QPoint(0, 4)}) {
            QCOMPARE(map.pixel(p.x(), p.y()), quint8(0));
            map.setPixel(p.x(), p.y(), 9);
        }
        QCOMPARE(map, before);
    }
    void resizeKeepsTopLeft_data()
    {
        QTest::addColumn<QSize>("to");
        QTest::newRow("grow") << QSize(9, 7);
        QTest::newRow("shrink") << QSize(3, 2);
        QTest::newRow("wider, shorter") << QSize(8, 2);
        QTest::newRow("negative is empty") << QSize(-3, 5);
    }
    void resizeKeepsTopLeft()
    {
        QFETCH(QSize, to);
        const Colormap original = pattern(6, 5);
        Colormap map = original;
        map.resize(to.width(), to.height());
        QCOMPARE(map.width(), qMax(0, to.width()));
        QCOMPARE(map.height(), qMax(0, to.height()));
        QCOMPARE(map.bytes().size(), qsizetype(map.width()) * map.height());
        for (int y = 0; y < map.height(); ++y) {
            for (int x = 0; x < map.width(); ++x) {
                const quint8 expected = (x < 6 && y < 5) ? original.pixel(x, y) : 0;
                QCOMPARE(map.pixel(x, y), expected);
            }
        }
    }
    void copyAndPasteClip_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::newRow("inside") << QRect(1, 1, 3, 2);
        QTest::newRow("over the left top corner") << QRect(-2, -1, 4, 3);
        QTest::newRow("over the right bottom corner") << QRect(5, 3, 4, 4);
        QTest::newRow("wholly outside") << QRect(20, 20, 2, 2);
    }
    void copyAndPasteClip()
    {
        QFETCH(QRect, rect);
        const Colormap source = pattern(7, 5);
        const Colormap crop = source.copy(rect);
        QCOMPARE(crop.size(), rect.size());
        for (int y = 0; y < rect.height(); ++y) {
            for (int x = 0; x < rect.width(); ++x)
                QCOMPARE(crop.pixel(x, y), source.pixel(rect.left() + x, rect.top() + y));
        }

        // Pasting the crop back where it came from changes nothing; pasting it
        // onto a blank map writes exactly the part inside the canvas.
        Colormap same = source;
        same.paste(rect.topLeft(), crop);
        QCOMPARE(same, source);
        Colormap blank(7, 5);
        blank.fill(15);
        blank.paste(rect.topLeft(), crop);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const quint8 expected = rect.contains(x, y) ? source.pixel(x, y) : 15;
                QCOMPARE(blank.pixel(x, y), expected);
            }
        }
    }
    void replaceAndSwap()
    {
        Colormap map(4, 2);
        // Row 0: 1 2 1 3, row 1: 2 1 2 1
        const quint8 values[] = {1, 2, 1, 3, 2, 1, 2, 1};
        for (int i = 0; i < 8; ++i)
            map.setPixel(i % 4, i / 4, values[i]);
        const Colormap original = map;

        QCOMPARE(map.replace(map.rect(), 5, 5), 0);
        QCOMPARE(map.replace(map.rect(), 1, 1), 0);
        QCOMPARE(map, original);
        QCOMPARE(map.replace(QRect(0, 0, 3, 1), 1, 7), 2);
        QCOMPARE(map.pixel(0, 0), quint8(7));
        QCOMPARE(map.pixel(2, 0), quint8(7));
        QCOMPARE(map.pixel(1, 1), quint8(1)); // outside the rectangle

        map = original;
        QCOMPARE(map.swap(QRect(-5, -5, 100, 100), 1, 2), 7);
        QCOMPARE(map.pixel(0, 0), quint8(2));
        QCOMPARE(map.pixel(1, 0), quint8(1));
        QCOMPARE(map.pixel(3, 0), quint8(3));
        QCOMPARE(map.swap(map.rect(), 2, 2), 0);
        QCOMPARE(map.swap(map.rect(), 1, 2), 7);
        QCOMPARE(map, original);
    }
    void difference_data()
    {
        QTest::addColumn<QList<QPoint>>("changed");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("none") << QList<QPoint>{} << QRect();
        QTest::newRow("one pixel") << QList<QPoint>{{3, 4}} << QRect(3, 4, 1, 1);
        QTest::newRow("corners") << QList<QPoint>{{0, 0}, {9, 7}} << QRect(0, 0, 10, 8);
        // The leftmost change is on a later row than the rightmost one.
        QTest::newRow("staggered")
            << QList<QPoint>{{8, 1}, {2, 5}, {5, 3}} << QRect(QPoint(2, 1), QPoint(8, 5));
    }
    void difference()
    {
        QFETCH(QList<QPoint>, changed);
        QFETCH(QRect, expected);
        const Colormap a = pattern(10, 8);
        Colormap b = a;
        for (const QPoint p : changed)
            b.setPixel(p.x(), p.y(), quint8((a.pixel(p.x(), p.y()) + 1) % 16));
        const QRect diff = Colormap::difference(a, b);
        if (expected.isNull())
            QVERIFY(diff.isEmpty());
        else
            QCOMPARE(diff, expected);
        QCOMPARE(Colormap::difference(b, a), diff);
    }
    void imageThroughPalette()
    {
        QVERIFY(Colormap(0, 5).toImage(0).isNull());
        Colormap map = pattern(16, 2);
        const QImage image = map.toImage(1);
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.size(), QSize(16, 2));
        for (int x = 0; x < 16; ++x) {
            QCOMPARE(image.pixel(x, 0), paletteRgb(1, x));
            QCOMPARE(image.pixel(x, 1), paletteRgb(1, (x + 3) % 16));
        }
        QCOMPARE(image.pixel(2, 0), QRgb(0xFF68372B));
    }
    void renderOnlyTouchesRect()
    {
        const Colormap map = pattern(8, 8);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        map.render(image, QRect(6, 6, 10, 10), 0);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const QRgb expected =
                    (x >= 6 && y >= 6) ? paletteRgb(0, map.pixel(x, y)) : QColor(Qt::magenta).rgb();
                QCOMPARE(image.pixel(x, y), expected);
            }
        }
    }
    void cropInflates()
    {
        const Colormap pixels = pattern(5, 3);
        ColormapCrop crop = ColormapCrop::fromCompressed(qCompress(pixels.bytes()), 5, 3);
        QVERIFY(crop.isDeflated());
        QCOMPARE(crop.pixels(), pixels); // a const read leaves it deflated
        QVERIFY(crop.isDeflated());
        QVERIFY(crop.inflate());
        QVERIFY(!crop.isDeflated());
        QCOMPARE(crop.pixels(), pixels);
        QVERIFY(crop.inflate()); // nothing left to do
    }
    void cropOfWrongSizeBecomesZero_data()
    {
        QTest::addColumn<QByteArray>("compressed");
        QTest::addColumn<bool>("corrupt");
        QTest::newRow("too short") << qCompress(QByteArray(14, '\3')) << false;
        QTest::newRow("too long") << qCompress(QByteArray(16, '\3')) << false;
        QTest::newRow("garbage") << QByteArray("\x00\x00\x00\x0f garbage", 13) << true;
    }
    void cropOfWrongSizeBecomesZero()
    {
        QFETCH(QByteArray, compressed);
        QFETCH(bool, corrupt);
        ColormapCrop crop = ColormapCrop::fromCompressed(compressed, 5, 3);
        QTest::ignoreMessage(QtWarningMsg, "ColormapCrop: 5 x 3 crop failed to inflate");
        if (corrupt)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("qUncompress.*"));
        QVERIFY(!crop.inflate());
        QVERIFY(!crop.isDeflated());
        QCOMPARE(crop.pixels(), Colormap(5, 3));
    }
};

QTEST_APPLESS_MAIN(TestColormap)
#include "tst_colormap.moc"
