// The converter's engine: the curve point rules and spline tables, the
// dithered picture against a plain restatement of the dithers, and the colour
// rules that the final result keeps.

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

QString pointsText(const QList<QPoint> &points)
{
    QStringList parts;
    for (const QPoint &p : points)
        parts << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
    return parts.join(u' ');
}

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

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    // Each step is "a X Y", "m INDEX X Y" or "r INDEX", then "=" and the
    // value it returns; all run with the widget's gap of 7 on the R channel.
    void pointRules_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("points");
        QTest::newRow("end points move vertically only")
            << "m 0 40 30=1; m 1 200 255=0; m 1 200 300=0"
            << "0,30 255,255";
        QTest::newRow("gap to the end points")
            << "a 5 10=-1; a 6 10=-1; a 7 10=1; a 249 10=-1; a 248 10=2"
            << "0,0 7,10 248,10 255,255";
        QTest::newRow("y clamped, equal x inserted after") << "a 100 300=1; a 100 -5=2"
                                                           << "0,0 100,255 100,0 255,255";
        QTest::newRow("interior x kept from neighbours")
            << "a 50 50=1; a 100 100=2; m 1 200 60=1; m 1 0 60=1; m 1 7 60=0"
            << "0,0 7,60 100,100 255,255";
        QTest::newRow("end points are not removed") << "a 50 50=1; r 0=0; r 2=0; r 1=1; r 1=0"
                                                    << "0,0 255,255";
        QString fill;
        QString filled = "0,0";
        for (int i = 1; i <= 30; ++i) {
            fill += QStringLiteral("a %1 %2=%3; ").arg(8 * i).arg(i).arg(i);
            filled += QStringLiteral(" %1,%2").arg(8 * i).arg(i);
        }
        QTest::newRow("a 33rd point is refused") << fill + "a 244 9=-1" << filled + " 255,255";
    }

    void pointRules()
    {
        QFETCH(QString, steps);
        QFETCH(QString, points);
        CurvesModel curves;
        for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
            const QStringList call = step.section(u'=', 0, 0).split(u' ', Qt::SkipEmptyParts);
            const int expected = step.section(u'=', 1).toInt();
            const int a = call.value(1).toInt(), b = call.value(2).toInt(),
                      c = call.value(3).toInt();
            int got = 0;
            if (call[0] == u'a')
                got = curves.addPoint(CurvesModel::Red, a, b, 7);
            else if (call[0] == u'm')
                got = curves.movePoint(CurvesModel::Red, a, b, c, 7);
            else
                got = curves.removePoint(CurvesModel::Red, a);
            QVERIFY2(got == expected, qPrintable(step));
        }
        QCOMPARE(pointsText(curves.points(CurvesModel::Red)), points);
        for (int channel : {CurvesModel::Master, CurvesModel::Green, CurvesModel::Blue})
            QCOMPARE(pointsText(curves.points(channel)), QStringLiteral("0,0 255,255"));
    }

    // Expected values are the natural cubic spline worked out by hand,
    // truncated toward zero and clamped.
    void splineTables_data()
    {
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("values");
        QTest::addColumn<bool>("identity");
        QTest::newRow("two points: the straight line") << "0,255 255,0"
                                                       << "0=255 100=155 255=0" << false;
        QTest::newRow("three points") << "0,0 64,128 255,255"
                                      << "32=68 64=128 100=178 160=227 250=254" << false;
        QTest::newRow("overshoot clamps") << "0,0 30,250 255,255"
                                          << "30=250 125=255 254=255" << false;
        QTest::newRow("collinear points: the line") << "0,0 51,51 102,102 255,255"
                                                    << "0=0 77=77 101=101 200=200" << true;
    }

    void splineTables()
    {
        QFETCH(QString, points);
        QFETCH(QString, values);
        CurvesModel curves;
        const QStringList list = points.split(u' ');
        for (int i = 0; i < list.size(); ++i) {
            const int x = list[i].section(u',', 0, 0).toInt(), y = list[i].section(u',', 1).toInt();
            if (i == 0 || i == list.size() - 1)
                curves.movePoint(CurvesModel::Green, i == 0 ? 0 : i, x, y, 1);
            else
                QCOMPARE(curves.addPoint(CurvesModel::Green, x, y, 1), i);
        }
        QCOMPARE(pointsText(curves.points(CurvesModel::Green)), points);
        for (const QString &check : values.split(u' '))
            QVERIFY2(curves.value(CurvesModel::Green, check.section(u'=', 0, 0).toInt()) ==
                         check.section(u'=', 1).toInt(),
                     qPrintable(check));
        QFETCH(bool, identity);
        QCOMPARE(curves.isIdentity(), identity);
        curves.reset();
        QVERIFY(curves.isIdentity());
    }

    void ditherMatchesReference_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < 12; ++row)
            QTest::addRow("mode %d dither %d distance %d", row / 6, row / 2 % 3, row % 2) << row;
    }

    void ditherMatchesReference()
    {
        QFETCH(int, row);
        const int mode = row / 6, dither = row / 2 % 3, distance = row % 2;
        const quint32 seed = quint32(row + 1);
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
        // Only the canvas's on-screen size is taken.
        QVERIFY(convert(image.copy(0, 0, image.width(), size.height() - 1), size, curves, options)
                    .isEmpty());
        QCOMPARE(convert(image.scaled(size), size, curves, options).isEmpty(), mode == 1);
        QVERIFY(convert(QImage(), size, curves, options).isEmpty());
    }

    // A colour halfway between two palette colours, nearer to none other,
    // takes the lower index.
    void tiesGoToTheLowerIndex()
    {
        auto distance = [](QRgb a, QRgb b) {
            return colorDistance(qRed(a), qGreen(a), qBlue(a), b, ColorMetric::Euclidean);
        };
        ConversionOptions options;
        options.distance = ColorMetric::Euclidean;
        int ties = 0;
        for (int a = 0; a < 16; ++a)
            for (int b = a + 1; b < 16; ++b) {
                const QRgb pa = paletteRgb(0, a), pb = paletteRgb(0, b);
                const QRgb mid = qRgb((qRed(pa) + qRed(pb)) / 2, (qGreen(pa) + qGreen(pb)) / 2,
                                      (qBlue(pa) + qBlue(pb)) / 2);
                bool tie = distance(mid, pa) == distance(mid, pb);
                for (int k = 0; k < 16 && tie; ++k)
                    tie = k == a || k == b || distance(mid, paletteRgb(0, k)) > distance(mid, pa);
                if (!tie)
                    continue;
                QImage one(1, 1, QImage::Format_RGB32);
                one.setPixel(0, 0, mid);
                QCOMPARE(int(ditherToPalette(one, one.size(), CurvesModel(), options).pixel(0, 0)),
                         a);
                ++ties;
            }
        QVERIFY(ties > 0);
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
        const quint8 border = options.slotBytes[size_t(ColorSlot::Border)];
        for (const QRect &locked : lockedRects(project.mode(), project.size(), options.layout))
            QCOMPARE(result.copy(locked).bytes().count(char(border)),
                     qsizetype(locked.width()) * locked.height());
        // The sweep had work to do: the dithered picture broke the rules.
        QVERIFY(canvasHasClash(context, ditherToPalette(image, project.size(), inverted, options)));
    }
};

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"
