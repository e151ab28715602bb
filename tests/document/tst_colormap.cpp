#include "../common/paintrows.h"

#include "document/colormap.h"
#include "document/colormapcrop.h"
#include "document/pixeldeflater.h"
#include "document/quietinflate.h"

#include <QRandomGenerator>
#include <QRegularExpression>

namespace
{

// Pictures as rows of hex digits separated by '/', e.g. "012/345".
QString textOf(const Colormap &map)
{
    QStringList rows(map.height());
    for (int i = 0; i < map.width() * map.height(); ++i)
        rows[i / map.width()] += QString::number(map.bytes()[i], 16);
    return rows.join(u'/');
}

Colormap mapOf(const QString &text)
{
    const QStringList rows = text.split(u'/');
    const QString digits = rows.join(QString());
    Colormap map(int(rows[0].size()), int(rows.size()));
    for (int i = 0; i < digits.size(); ++i)
        map.setPixel(i % map.width(), i / map.width(), quint8(digits.mid(i, 1).toInt(nullptr, 16)));
    return map;
}

const QString Picture = QStringLiteral("0123/4567/89ab");

} // namespace

class TestColormap : public QObject
{
    Q_OBJECT

private slots:
    void outsideReadsZeroAndIgnoresWrites()
    {
        Colormap map = mapOf(Picture);
        for (const QPoint p : {QPoint(-1, 0), QPoint(0, -1), QPoint(4, 0), QPoint(0, 3)}) {
            QCOMPARE(map.pixel(p.x(), p.y()), quint8(0));
            map.setPixel(p.x(), p.y(), 9);
        }
        QCOMPARE(textOf(map), Picture);
    }
    void resizeKeepsTopLeft_data() { addTextRows("document/colormap.txt", "resize"); }
    void resizeKeepsTopLeft()
    {
        QFETCH(QStringList, row);
        Colormap map = mapOf(Picture);
        map.resize(pointOf(row[0]).x(), pointOf(row[0]).y());
        QCOMPARE(textOf(map), row[1]);
        QCOMPARE(map.bytes().size(), qsizetype(map.width()) * map.height());
    }
    void copyAndPasteClip_data() { addTextRows("document/colormap.txt", "clip"); }
    void copyAndPasteClip()
    {
        QFETCH(QStringList, row);
        const QRect rect = rectOf(row[0]);
        const Colormap source = mapOf(Picture);
        const Colormap part = source.copy(rect);
        QCOMPARE(textOf(part), row[1]);
        Colormap blank = mapOf("ffff/ffff/ffff");
        blank.paste(rect.topLeft(), part);
        QCOMPARE(textOf(blank), row[2]);
    }
    void replaceAndSwap()
    {
        const Colormap original = mapOf("1213/2121");
        // Absent and same colours change nothing; the counts are pixels changed.
        Colormap map = original;
        QCOMPARE((QList<int>{map.replace(map.rect(), 5, 5), map.replace(map.rect(), 1, 1),
                             map.replace(QRect(0, 0, 3, 1), 1, 7)}),
                 (QList<int>{0, 0, 2}));
        QCOMPARE(textOf(map), "7273/2121");
        map = original;
        QCOMPARE((QList<int>{map.swap(map.rect(), 2, 2), map.swap(QRect(-5, -5, 100, 100), 1, 2)}),
                 (QList<int>{0, 7}));
        QCOMPARE(textOf(map), "2123/1212");
    }
    void difference_data() { addTextRows("document/colormap.txt", "difference"); }
    void difference()
    {
        QFETCH(QStringList, row);
        const Colormap a(8, 5);
        const Colormap b = mapOf(row[0]);
        QCOMPARE(Colormap::difference(a, b), rectOf(row[1]));
        QCOMPARE(Colormap::difference(b, a), rectOf(row[1]));
    }
    void imageThroughPalette()
    {
        QVERIFY(Colormap(0, 5).toImage(0).isNull());
        const Colormap map = mapOf("0123456789abcdef/fedcba9876543210");
        const QImage image = map.toImage(1);
        QCOMPARE(image.format(), QImage::Format_RGB32);
        // Rendering a rectangle paints that part only.
        QImage part(16, 2, QImage::Format_RGB32);
        part.fill(Qt::magenta);
        map.render(part, QRect(10, 1, 10, 10), 1);
        for (int i = 0; i < 32; ++i) {
            const int x = i % 16, y = i / 16;
            QCOMPARE(image.pixel(x, y), paletteRgb(1, y ? 15 - x : x));
            QCOMPARE(part.pixel(x, y),
                     x >= 10 && y ? image.pixel(x, y) : QColor(Qt::magenta).rgb());
        }
    }
    void cropInflates()
    {
        const Colormap pixels = mapOf(Picture);
        ColormapCrop crop = ColormapCrop::fromCompressed(qCompress(pixels.bytes()), 4, 3);
        QCOMPARE(crop.pixels(), pixels); // a const read leaves it deflated
        // Inflating twice: the second time has nothing left to do.
        QVERIFY(crop.isDeflated() && crop.inflate() && !crop.isDeflated() && crop.inflate());
        QCOMPARE(crop.pixels(), pixels);

        // Too short, too long and garbage streams all become colour 0, with
        // our one warning and none from the inflater.
        QTest::failOnWarning(QRegularExpression("qUncompress"));
        for (const QByteArray &stream :
             {qCompress(QByteArray(11, '\3')), qCompress(QByteArray(13, '\3')),
              QByteArray("\x00\x00\x00\x0c garbage", 12)}) {
            ColormapCrop wrong = ColormapCrop::fromCompressed(stream, 4, 3);
            QTest::ignoreMessage(QtWarningMsg, "ColormapCrop: 4 x 3 crop failed to inflate");
            QVERIFY(!wrong.inflate() && !wrong.isDeflated());
            QCOMPARE(wrong.pixels(), Colormap(4, 3));
        }
    }

    // Our deflater's blobs are what Qt's zlib reads back, and our inflater
    // reads what zlib writes at every level: two routes each way.
    void blobsRoundTripThroughZlib_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("runLength"); // 1: noise; longer: flat stretches
        for (const int size : {1, 12, 4096, 64000})
            for (const int run : {1, 8, 64000})
                QTest::addRow("%d bytes, runs of %d", size, run) << size << run;
    }
    void blobsRoundTripThroughZlib()
    {
        QFETCH(int, size);
        QFETCH(int, runLength);
        QRandomGenerator random(quint32(size * 31 + runLength));
        QByteArray raw(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            raw[i] = i % runLength ? raw[i - 1] : char(random.bounded(16));
        const QByteArray blob = PixelDeflater().deflate(raw);
        QCOMPARE(blob.left(4),
                 QByteArray::fromHex(QByteArray::number(size, 16).rightJustified(8, '0')));
        QCOMPARE(qUncompress(blob), raw);
        if (runLength > 8 && size >= 4096) // flat pixels must shrink
            QVERIFY(blob.size() < size / 4);
        for (int level = 0; level <= 9; ++level)
            QCOMPARE(quietUncompress(qCompress(raw, level), size), raw);
        // One byte more or less than the stream holds is a fault.
        QVERIFY(quietUncompress(blob, size + 1).isEmpty());
        QVERIFY(quietUncompress(blob.left(blob.size() - 1), size).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestColormap)
#include "tst_colormap.moc"
