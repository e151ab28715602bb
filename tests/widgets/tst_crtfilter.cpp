// The CRT filter on the pixels an artist can check by eye: a single white
// pixel on black fans out into red, green and blue columns with faint halos,
// dimmed on the even scanlines; and refiltering a rectangle after a stroke
// gives exactly what filtering the whole picture would.

#include "widgets/crtfilter.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{

QImage blackImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    return image;
}

QString rgbText(QRgb c)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

} // namespace

class TestCrtFilter : public QObject
{
    Q_OBJECT

private slots:
    void singleWhitePixel_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("bright"); // the full channel after dimming and blur
        QTest::newRow("odd row") << 5 << 251;
        QTest::newRow("even row") << 4 << 201;
        QTest::newRow("odd row 1") << 1 << 251;
        QTest::newRow("even row 8") << 8 << 201;
    }
    void singleWhitePixel()
    {
        QFETCH(int, row);
        QFETCH(int, bright);
        const int column = 6;
        QImage source = blackImage(13, 11);
        source.setPixel(column, row, qRgb(255, 255, 255));
        const QImage crt = CrtFilter::apply(source);
        QCOMPARE(crt.size(), source.size());
        QCOMPARE(crt.format(), QImage::Format_RGB32);

        // Left of the pixel red, on it green, right of it blue; 1 of the
        // same channel above and below, and each channel's 1 beside it.
        QHash<QPoint, QRgb> expected;
        const auto put = [&](int dx, int dy, int r, int g, int b) {
            expected[QPoint(column + dx, row + dy)] = qRgb(r, g, b);
        };
        put(-1, 0, bright, 1, 0);
        put(0, 0, 1, bright, 1);
        put(1, 0, 0, 1, bright);
        // The red and blue columns blur one pixel further out.
        put(-2, 0, 1, 0, 0);
        put(2, 0, 0, 0, 1);
        for (int dy : {-1, 1}) {
            put(-1, dy, 1, 0, 0);
            put(0, dy, 0, 1, 0);
            put(1, dy, 0, 0, 1);
        }
        for (int y = 0; y < crt.height(); ++y) {
            for (int x = 0; x < crt.width(); ++x) {
                const QRgb want = expected.value(QPoint(x, y), qRgb(0, 0, 0));
                QVERIFY2(crt.pixel(x, y) == want, qPrintable(QStringLiteral("at %1,%2: %3, want %4")
                                                                 .arg(x)
                                                                 .arg(y)
                                                                 .arg(rgbText(crt.pixel(x, y)))
                                                                 .arg(rgbText(want))));
            }
        }
    }
    void edgesClampToTheImage()
    {
        // A white first column: the red of column 0 comes from column 1
        // (black), its blue from itself, clamped at the edge.
        QImage source = blackImage(4, 3);
        for (int y = 0; y < 3; ++y)
            source.setPixel(0, y, qRgb(255, 255, 255));
        const QImage crt = CrtFilter::apply(source);
        // In the buffer column 0 is (0, 255, 255) and column 1 (0, 0, 255) on
        // the odd row 1, both at 204 where dimmed on rows 0 and 2. The blur
        // of row 1 gathers 2 x 204 x 0.00384 + 255 x 0.99233 = 254.61 from
        // each buffer column it reaches; the clamp makes column -1 column 0.
        QCOMPARE(rgbText(crt.pixel(0, 1)), QStringLiteral("(0,254,255)"));
        // Column 1 reaches no green beyond column 0, and blue from 0 and 1.
        QCOMPARE(rgbText(crt.pixel(1, 1)), QStringLiteral("(0,1,254)"));
    }
    void unsupportedSources()
    {
        QVERIFY(CrtFilter::apply(QImage()).isNull());
        QImage indexed(4, 4, QImage::Format_Indexed8);
        indexed.fill(0);
        QVERIFY(CrtFilter::apply(indexed).isNull());
        QImage argb(4, 4, QImage::Format_ARGB32_Premultiplied);
        argb.fill(Qt::white);
        QVERIFY(CrtFilter::apply(argb).isNull());
    }
    void regionEqualsWholeImage()
    {
        QRandomGenerator random(0x43525421);
        for (int round = 0; round < 60; ++round) {
            const int width = 1 + random.bounded(40);
            const int height = 1 + random.bounded(30);
            QImage source(width, height, QImage::Format_RGB32);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    source.setPixel(x, y, 0xff000000 | random.generate());
            const QImage whole = CrtFilter::apply(source);

            // Rectangles that may stick out of the image or miss it entirely.
            const int left = random.bounded(-3, width + 2);
            const int top = random.bounded(-3, height + 2);
            const QRect rect(left, top, 1 + random.bounded(width + 2),
                             1 + random.bounded(height + 2));
            QImage target(source.size(), QImage::Format_RGB32);
            const QRgb untouched = qRgb(7, 77, 177);
            target.fill(untouched);
            CrtFilter::applyRegion(source, target, rect);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const QRgb want = rect.contains(x, y) ? whole.pixel(x, y) : untouched;
                    QVERIFY2(target.pixel(x, y) == want,
                             qPrintable(QStringLiteral("round %1, pixel %2,%3: %4, want %5")
                                            .arg(round)
                                            .arg(x)
                                            .arg(y)
                                            .arg(rgbText(target.pixel(x, y)), rgbText(want))));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCrtFilter)
#include "tst_crtfilter.moc"
