// The conversion engine: which pictures it takes, the dithered picture
// against a plain restatement of the dithers, and the colour rules that the
// final result keeps.

#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{

QImage randomImage(QSize size, QRandomGenerator &rng)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000u);
    return image;
}

void randomCurves(CurvesModel &curves, QRandomGenerator &rng)
{
    for (int channel = 0; channel < CurvesModel::ChannelCount; ++channel) {
        curves.movePoint(channel, 0, 0, int(rng.bounded(80)), 7);
        curves.movePoint(channel, 1, 255, int(rng.bounded(170, 256)), 7);
        curves.addPoint(channel, int(rng.bounded(20, 236)), int(rng.bounded(256)), 7);
    }
}

// The dithers written out plainly, pixel by pixel, to hold the engine to.
Colormap referenceDither(const QImage &image, QSize size, const CurvesModel &curves,
                         const ConversionOptions &options)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const int w = size.width(), h = size.height();
    const int wide = options.mode == CanvasMode::Multicolor ? 2 : 1;
    QList<double> buffer(qsizetype(w) * h * 3);
    auto at = [&](int x, int y, int c) -> double & {
        return buffer[(qsizetype(y) * w + x) * 3 + c];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb a = image.pixel(x * wide, y), b = image.pixel(x * wide + wide - 1, y);
            const int v[3] = {(qRed(a) + qRed(b)) / 2, (qGreen(a) + qGreen(b)) / 2,
                              (qBlue(a) + qBlue(b)) / 2};
            for (int c = 0; c < 3; ++c)
                at(x, y, c) = curves.value(0, curves.value(1 + c, v[c]));
        }
    Colormap out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = options.dither == DitherKind::Ordered
                                 ? ((bayer[y % 4][x % 4] + 0.5) / 16.0 - 0.5) * 64.0
                                 : 0.0;
            double v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = qBound(0.0, at(x, y, c) + t, 255.0);
            int best = 0;
            for (int k = 1; k < 16; ++k)
                if (colorDistance(v[0], v[1], v[2], paletteRgb(options.paletteVariant, k),
                                  options.distance) <
                    colorDistance(v[0], v[1], v[2], paletteRgb(options.paletteVariant, best),
                                  options.distance))
                    best = k;
            out.setPixel(x, y, quint8(best));
            if (options.dither != DitherKind::ErrorDiffusion)
                continue;
            const QRgb chosen = paletteRgb(options.paletteVariant, best);
            const double error[3] = {v[0] - qRed(chosen), v[1] - qGreen(chosen),
                                     v[2] - qBlue(chosen)};
            const struct {
                int dx, dy;
                double weight;
            } taps[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
            for (const auto &tap : taps)
                if (x + tap.dx >= 0 && x + tap.dx < w && y + tap.dy < h)
                    for (int c = 0; c < 3; ++c)
                        at(x + tap.dx, y + tap.dy, c) += error[c] * tap.weight / 32.0;
        }
    return out;
}

} // namespace

class TestImageConverter : public QObject
{
    Q_OBJECT

private slots:
    void takesOnlyTheOnScreenSize_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("fits");
        QTest::newRow("hires 1:1") << 0 << QSize(48, 16) << true;
        QTest::newRow("hires double width") << 0 << QSize(96, 16) << false;
        QTest::newRow("multicolor double width") << 1 << QSize(96, 16) << true;
        QTest::newRow("multicolor 1:1") << 1 << QSize(48, 16) << false;
        QTest::newRow("one line short") << 0 << QSize(48, 15) << false;
        QTest::newRow("null image") << 0 << QSize() << false;
    }

    void takesOnlyTheOnScreenSize()
    {
        QFETCH(int, mode);
        QFETCH(QSize, image);
        QFETCH(bool, fits);
        QImage source;
        if (image.isValid()) {
            source = QImage(image, QImage::Format_ARGB32_Premultiplied);
            source.fill(Qt::gray);
        }
        ConversionOptions options;
        options.mode = CanvasMode(mode);
        const Colormap result = convert(source, QSize(48, 16), CurvesModel(), options);
        QCOMPARE(result.isEmpty(), !fits);
        if (fits)
            QCOMPARE(result.size(), QSize(48, 16));
    }

    void ditherMatchesReference_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("dither");
        QTest::addColumn<int>("distance");
        QTest::addColumn<quint32>("seed");
        for (int mode = 0; mode < 2; ++mode)
            for (int dither = 0; dither < 3; ++dither)
                for (int distance = 0; distance < 2; ++distance)
                    QTest::addRow("mode %d dither %d distance %d", mode, dither, distance)
                        << mode << dither << distance
                        << quint32(1 + mode * 6 + dither * 2 + distance);
    }

    void ditherMatchesReference()
    {
        QFETCH(int, mode);
        QFETCH(int, dither);
        QFETCH(int, distance);
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        ConversionOptions options;
        options.mode = CanvasMode(mode);
        options.dither = DitherKind(dither);
        options.distance = ColorMetric(distance);
        options.paletteVariant = PaletteVariant(rng.bounded(PaletteVariantCount));
        CurvesModel curves;
        if (seed % 3)
            randomCurves(curves, rng);
        const QSize size(37, 23);
        const QImage image = randomImage(conversionSourceSize(options.mode, size), rng);
        QCOMPARE(ditherToPalette(image, size, curves, options),
                 referenceDither(image, size, curves, options));
    }

    // Palette colours come back as themselves, and a colour halfway between
    // two palette colours takes the lower index.
    void exactColoursAndTies()
    {
        for (PaletteVariant variant : paletteVariants()) {
            ConversionOptions options;
            options.paletteVariant = variant;
            options.distance = ColorMetric::Euclidean;
            QImage image(16, 2, QImage::Format_RGB32);
            for (int c = 0; c < 16; ++c) {
                image.setPixel(c, 0, paletteRgb(variant, c));
                image.setPixel(c, 1, paletteRgb(variant, c));
            }
            const Colormap exact = ditherToPalette(image, image.size(), CurvesModel(), options);
            for (int c = 0; c < 16; ++c)
                QCOMPARE(int(exact.pixel(c, 1)), c);
            int ties = 0;
            for (int a = 0; a < 16; ++a)
                for (int b = a + 1; b < 16; ++b) {
                    const QRgb pa = paletteRgb(variant, a), pb = paletteRgb(variant, b);
                    const int sum[3] = {qRed(pa) + qRed(pb), qGreen(pa) + qGreen(pb),
                                        qBlue(pa) + qBlue(pb)};
                    if (sum[0] % 2 || sum[1] % 2 || sum[2] % 2)
                        continue;
                    const QRgb mid = qRgb(sum[0] / 2, sum[1] / 2, sum[2] / 2);
                    const double d = colorDistance(qRed(mid), qGreen(mid), qBlue(mid), pa,
                                                   ColorMetric::Euclidean);
                    bool nearest = true;
                    for (int k = 0; k < 16; ++k)
                        nearest &=
                            k == a || k == b ||
                            colorDistance(qRed(mid), qGreen(mid), qBlue(mid),
                                          paletteRgb(variant, k), ColorMetric::Euclidean) > d;
                    if (!nearest)
                        continue;
                    QImage one(1, 1, QImage::Format_RGB32);
                    one.setPixel(0, 0, mid);
                    QCOMPARE(
                        int(ditherToPalette(one, one.size(), CurvesModel(), options).pixel(0, 0)),
                        a);
                    ++ties;
                }
            if (variant == 0)
                QVERIFY(ties > 0);
        }
    }

    // Every layout: the locked pixels take the border colour, no unit breaks
    // its limit, and the inverted master curve equals an inverted picture.
    void resultKeepsTheRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        for (int mode = 0; mode < 2; ++mode)
            for (int layout = 0; layout < 3; ++layout)
                QTest::addRow("mode %d layout %d", mode, layout) << mode << layout;
    }

    void resultKeepsTheRules()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QRandomGenerator rng(quint32(40 + mode * 3 + layout));
        const Project project(CanvasMode(mode), -1, -1,
                              LayoutSpec{CanvasLayout(layout), BorderAlignment(rng.bounded(2)),
                                         BorderAlignment(rng.bounded(2))});
        ConversionOptions options;
        options.mode = project.mode();
        options.layout = project.layoutSpec();
        options.dither = DitherKind::ErrorDiffusion;
        for (quint8 &slot : options.slotBytes)
            slot = quint8(rng.bounded(16));
        QImage image = randomImage(project.size(), rng);
        // Equal pixel pairs, so the pair mean of the negative is the negative of the mean.
        image = image.scaled(conversionSourceSize(options.mode, project.size()));
        CurvesModel inverted;
        inverted.movePoint(CurvesModel::Master, 0, 0, 255, 7);
        inverted.movePoint(CurvesModel::Master, 1, 255, 0, 7);
        const Colormap result = convert(image, project.size(), inverted, options);
        QImage negative = image;
        negative.invertPixels();
        QCOMPARE(result, convert(negative, project.size(), CurvesModel(), options));

        ClashContext context;
        context.mode = options.mode;
        context.layout = options.layout;
        context.slotBytes = options.slotBytes;
        QVERIFY(!canvasHasClash(context, result));
        for (const QRect &locked : lockedRects(project.mode(), project.size(), options.layout))
            QCOMPARE(Colormap::difference(result.copy(locked),
                                          [&] {
                                              Colormap border(locked.width(), locked.height());
                                              border.fill(
                                                  options.slotBytes[size_t(ColorSlot::Border)]);
                                              return border;
                                          }()),
                     QRect());
        // The sweep had work to do: the dithered picture broke the rules.
        QVERIFY(canvasHasClash(context, ditherToPalette(image, project.size(), inverted, options)));
    }
};

QTEST_APPLESS_MAIN(TestImageConverter)
#include "tst_imageconverter.moc"
