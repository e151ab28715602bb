// The CRT filter on the pixels an artist can check by eye: a single white
// pixel on black fans out into red, green and blue columns with faint halos,
// dimmed on the even scanlines; and refiltering a rectangle after a stroke
// gives exactly what filtering the whole picture would.

#include "widgets/crtfilter.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

namespace
{

QString rgbText(QRgb c)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// The first pixel where the two images differ, as a short message; empty when
// they agree.
QString firstMismatch(const QImage &got, const QImage &want)
{
    if (got.size() != want.size() || got.format() != want.format())
        return QStringLiteral("size or format differs");
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (got.pixel(x, y) != want.pixel(x, y))
                return QStringLiteral("at %1,%2: %3, want %4")
                    .arg(x)
                    .arg(y)
                    .arg(rgbText(got.pixel(x, y)), rgbText(want.pixel(x, y)));
    return {};
}

QImage filled(int width, int height, QRgb color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
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
    }
    void singleWhitePixel()
    {
        QFETCH(int, row);
        QFETCH(int, bright);
        const int column = 6;
        QImage source = filled(13, 11, qRgb(0, 0, 0));
        source.setPixel(column, row, qRgb(255, 255, 255));
        // Left of the pixel red, on it green, right of it blue; 1 of the same
        // channel above and below, and the red and blue columns' 1 beside them.
        const int B = bright;
        const int cells[][5] = {{-2, 0, 1, 0, 0}, {-1, 0, B, 1, 0}, {0, 0, 1, B, 1},
                                {1, 0, 0, 1, B},  {2, 0, 0, 0, 1},  {-1, -1, 1, 0, 0},
                                {0, -1, 0, 1, 0}, {1, -1, 0, 0, 1}, {-1, 1, 1, 0, 0},
                                {0, 1, 0, 1, 0},  {1, 1, 0, 0, 1}};
        QImage expected = source;
        for (const auto &[dx, dy, r, g, b] : cells)
            expected.setPixel(column + dx, row + dy, qRgb(r, g, b));
        const QString mismatch = firstMismatch(CrtFilter::apply(source), expected);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
    void edgesAndUnsupportedSources()
    {
        // A white first column: in the buffer column 0 is (0, 255, 255) and
        // column 1 (0, 0, 255) on the odd row 1, both at 204 on the dimmed rows
        // 0 and 2. The blur of row 1 gathers 2 x 204 x 0.00384 + 255 x 0.99233
        // = 254.61 from each buffer column; the clamp makes column -1 column 0.
        QImage source = filled(4, 3, qRgb(0, 0, 0));
        for (int y = 0; y < 3; ++y)
            source.setPixel(0, y, qRgb(255, 255, 255));
        const QImage crt = CrtFilter::apply(source);
        QCOMPARE(rgbText(crt.pixel(0, 1)), QStringLiteral("(0,254,255)"));
        QCOMPARE(rgbText(crt.pixel(1, 1)), QStringLiteral("(0,1,254)"));
        // Only 32-bit RGB is filtered.
        QVERIFY(CrtFilter::apply(QImage()).isNull());
        for (QImage::Format format : {QImage::Format_Indexed8, QImage::Format_ARGB32_Premultiplied})
            QVERIFY(CrtFilter::apply(QImage(4, 4, format)).isNull());
    }
    void regionEqualsWholeImage()
    {
        QRandomGenerator random(0x43525421);
        for (int round = 0; round < 60; ++round) {
            QImage source = filled(1 + random.bounded(40), 1 + random.bounded(30), 0);
            for (int y = 0; y < source.height(); ++y)
                random.fillRange(reinterpret_cast<quint32 *>(source.scanLine(y)), source.width());
            // Rectangles that may stick out of the image or miss it entirely.
            const QRect rect(
                random.bounded(-3, source.width() + 2), random.bounded(-3, source.height() + 2),
                1 + random.bounded(source.width() + 2), 1 + random.bounded(source.height() + 2));
            QImage target = filled(source.width(), source.height(), qRgb(7, 77, 177));
            QImage expected = target;
            QPainter painter(&expected);
            painter.setClipRect(rect);
            painter.drawImage(0, 0, CrtFilter::apply(source));
            painter.end();
            CrtFilter::applyRegion(source, target, rect);
            const QString mismatch = firstMismatch(target, expected);
            QVERIFY2(mismatch.isEmpty(),
                     qPrintable(QStringLiteral("round %1, ").arg(round) + mismatch));
        }
    }
};

QTEST_GUILESS_MAIN(TestCrtFilter)
#include "tst_crtfilter.moc"
