// The converter's engine: spline tables, the dithered picture against a
// plain restatement of the dithers, ties, and the colour rules the result keeps.

#include "../common/paintrows.h"

#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>

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

// The dithers written out plainly, pixel by pixel, to hold the engine to.
Colormap referenceDither(const QImage &image, QSize size, const CurvesModel &curves,
                         const ConversionOptions &options)
{
    static const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    const int w = size.width(), h = size.height();
    const int wide = options.mode == CanvasMode::Multicolor ? 2 : 1;
    QList<double> v(qsizetype(w) * h * 3);
    for (int i = 0; i < w * h; ++i) {
        const QRgb a = image.pixel(i % w * wide, i / w),
                   b = image.pixel(i % w * wide + wide - 1, i / w);
        const int sum[3] = {qRed(a) + qRed(b), qGreen(a) + qGreen(b), qBlue(a) + qBlue(b)};
        for (int c = 0; c < 3; ++c)
            v[i * 3 + c] = curves.value(0, curves.value(1 + c, sum[c] / 2));
    }
    Colormap out(w, h);
    for (int i = 0; i < w * h; ++i) {
        const int x = i % w, y = i / w;
        const double t = options.dither == DitherKind::Ordered
                             ? ((bayer[y % 4 * 4 + x % 4] + 0.5) / 16.0 - 0.5) * 64.0
                             : 0.0;
        for (int c = 0; c < 3; ++c)
            v[i * 3 + c] = qBound(0.0, v[i * 3 + c] + t, 255.0);
        auto distance = [&](int k) {
            return colorDistance(v[i * 3], v[i * 3 + 1], v[i * 3 + 2],
                                 paletteRgb(options.paletteVariant, k), options.distance);
        };
        int best = 0;
        for (int k = 1; k < 16; ++k)
            best = distance(k) < distance(best) ? k : best;
        out.setPixel(x, y, quint8(best));
        const QRgb chosen = paletteRgb(options.paletteVariant, best);
        const double error[3] = {v[i * 3] - qRed(chosen), v[i * 3 + 1] - qGreen(chosen),
                                 v[i * 3 + 2] - qBlue(chosen)};
        const int taps[4][3] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
        for (const auto &[dx, dy, weight] : taps)
            if (options.dither == DitherKind::ErrorDiffusion && x + dx >= 0 && x + dx < w &&
                y + dy < h)
                for (int c = 0; c < 3; ++c)
                    v[(i + dy * w + dx) * 3 + c] += error[c] * weight / 32.0;
    }
    return out;
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void splineTables_data() { addTextRows("conversion/conversion.txt", "spline"); }
    void splineTables()
    {
        QFETCH(QStringList, row);
        CurvesModel curves;
        const QStringList list = row[0].split(u' ');
        for (int i = 0; i < list.size(); ++i) {
            const int x = list[i].section(u',', 0, 0).toInt(), y = list[i].section(u',', 1).toInt();
            if (i == 0 || i == list.size() - 1)
                curves.movePoint(CurvesModel::Green, i, x, y, 1);
            else
                QCOMPARE(curves.addPoint(CurvesModel::Green, x, y, 1), i);
        }
        for (const QString &check : row[1].split(u' '))
            QVERIFY2(curves.value(CurvesModel::Green, check.section(u'=', 0, 0).toInt()) ==
                         check.section(u'=', 1).toInt(),
                     qPrintable(check));
        QVERIFY(!curves.isIdentity());
        curves.reset();
        QVERIFY(curves.isIdentity());
    }

    // Every mode, layout, dither, distance and method on random pictures and
    // curves: the classic dithers give the plain picture, the result keeps the
    // rules, locked pixels and (choosing cell colours first) the border sprite
    // budget, and only the on-screen size is taken.
    void convertMatchesReference_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < 40; ++row)
            QTest::addRow("mode %d layout %d dither %d distance %d method %d", row / 20, row % 3,
                          row % DitherKindCount, row % 4 % 3, row / 2 % 2)
                << row;
    }

    void convertMatchesReference()
    {
        QFETCH(int, row);
        QRandomGenerator rng(quint32(row + 1));
        const Project project(CanvasMode(row / 20), -1, -1,
                              LayoutSpec{CanvasLayout(row % 3), BorderAlignment(row / 3 % 2),
                                         BorderAlignment(row / 6 % 2)});
        ConversionOptions options{.mode = project.mode(),
                                  .layout = project.layoutSpec(),
                                  .dither = DitherKind(row % DitherKindCount),
                                  .distance = ColorMetric(row % 4 % 3),
                                  .paletteVariant =
                                      PaletteVariant(rng.bounded(PaletteVariantCount)),
                                  .method = ConversionMethod(row / 2 % 2),
                                  .chooseBackground = row % 5 < 2};
        for (quint8 &slot : options.slotBytes)
            slot = quint8(rng.bounded(16));
        CurvesModel curves;
        for (int channel = 0; channel < CurvesModel::ChannelCount; ++channel) {
            curves.movePoint(channel, 0, 0, int(rng.bounded(80)), 7);
            curves.addPoint(channel, int(rng.bounded(20, 236)), int(rng.bounded(256)), 7);
        }
        const QSize size = project.size();
        const QImage image = randomImage(conversionSourceSize(options.mode, size), rng);
        if (options.dither <= DitherKind::Ordered)
            QCOMPARE(ditherToPalette(image, size, curves, options),
                     referenceDither(image, size, curves, options));

        const ConversionResult converted = convertImage(image, size, curves, options);
        const Colormap &result = converted.colormap;
        QCOMPARE(result.size(), size);
        const ClashContext context{
            .mode = options.mode, .slotBytes = converted.slotBytes, .layout = options.layout};
        QVERIFY(!canvasHasClash(context, result));
        for (int slot = 0; slot < ColorSlotCount; ++slot)
            if (slot != int(ColorSlot::Background) || !options.chooseBackground ||
                options.method == ConversionMethod::MostUsed || row / 20 == 0)
                QCOMPARE(converted.slotBytes[size_t(slot)], options.slotBytes[size_t(slot)]);
        if (options.method == ConversionMethod::CellColorsFirst)
            for (const CanvasRegion &region : canvasRegions(options.mode, size, options.layout))
                QVERIFY(overBudgetColumns(context, result, region).isEmpty());
        const quint8 border = options.slotBytes[size_t(ColorSlot::Border)];
        for (const QRect &locked : lockedRects(project.mode(), size, options.layout))
            QCOMPARE(result.copy(locked).bytes().count(char(border)),
                     qsizetype(locked.width()) * locked.height());
        QVERIFY(convert(image.copy(0, 0, image.width(), size.height() - 1), size, curves, options)
                    .isEmpty());
        QCOMPARE(convert(image.scaled(size), size, curves, options).isEmpty(), row / 20 == 1);
        QVERIFY(convert(QImage(), size, curves, options).isEmpty());

        // The master curve from (0, 255) to (255, 0) inverts every channel.
        CurvesModel inverted;
        inverted.movePoint(CurvesModel::Master, 0, 0, 255, 7);
        inverted.movePoint(CurvesModel::Master, 1, 255, 0, 7);
        QImage negative = image;
        negative.invertPixels();
        if (project.mode() == CanvasMode::Hires)
            QCOMPARE(convert(image, size, inverted, options),
                     convert(negative, size, CurvesModel(), options));
    }

    // A picture drawn only in colours each unit may hold comes back exactly:
    // the chosen colours of every unit include the ones it shows, and a
    // dither has nothing to spread.
    void legalPictureConvertsToItself_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < 12; ++row)
            QTest::addRow("mode %d layout %d", row / 6, row % 3) << row;
    }

    void legalPictureConvertsToItself()
    {
        QFETCH(int, row);
        QRandomGenerator rng(quint32(row + 100));
        ConversionOptions options{.mode = CanvasMode(row / 6),
                                  .layout = LayoutSpec{CanvasLayout(row % 3)},
                                  .distance = ColorMetric(row % 3),
                                  .paletteVariant =
                                      PaletteVariant(rng.bounded(PaletteVariantCount))};
        for (quint8 &slot : options.slotBytes)
            slot = quint8(rng.bounded(16));
        const QSize size = Project(options.mode, -1, -1, options.layout).size();
        const ClashContext context{
            .mode = options.mode, .slotBytes = options.slotBytes, .layout = options.layout};
        // Each unit: its commons and `limit` random colours, painted in
        // random patches; a top/bottom border keeps to 8 occupied columns.
        Colormap picture(size.width(), size.height());
        int occupied[2] = {0, 0};
        for (const ColorUnit &unit : colorUnits(context, size)) {
            QList<quint8> colors;
            for (int c = 0; c < 16; ++c)
                if (unit.commons & (1u << c))
                    colors << quint8(c);
            for (int k = 0; k < unit.limit; ++k)
                colors << quint8(rng.bounded(16));
            if (unit.column >= 0 && ++occupied[unit.kind == RegionKind::BottomBorder] > 8)
                colors = {borderBackground(context, unit.kind)};
            const int patch = int(rng.bounded(1, 4));
            for (int y = unit.rect.top(); y <= unit.rect.bottom(); ++y)
                for (int x = unit.rect.left(); x <= unit.rect.right(); ++x)
                    picture.setPixel(x, y,
                                     x > unit.rect.left() && (x + y) % patch
                                         ? picture.pixel(x - 1, y)
                                         : colors[rng.bounded(int(colors.size()))]);
        }
        for (const QRect &locked : lockedRects(options.mode, size, options.layout))
            picture.fillRect(locked, options.slotBytes[size_t(ColorSlot::Border)]);
        resolveClashes(context, picture, picture.rect());
        QVERIFY(!canvasHasClash(context, picture));
        const int wide = options.mode == CanvasMode::Multicolor ? 2 : 1;
        QImage image = picture.toImage(options.paletteVariant)
                           .scaled(size.width() * wide, size.height())
                           .convertToFormat(QImage::Format_RGB32);
        // Every dither but the plain ordered one, whose offsets move even a flat area.
        for (int dither = 0; dither < DitherKindCount; ++dither) {
            options.dither = DitherKind(dither);
            QVERIFY2(dither == int(DitherKind::Ordered) ||
                         convert(image, size, CurvesModel(), options) == picture,
                     qPrintable(QString::number(dither)));
        }
    }

    // On smooth random pictures choosing each unit's colours first is never
    // clearly worse than keeping the most used, with the same dither and
    // distance: the error is the squared RGB difference after a 3 x 3 box
    // blur, as the eye merges neighbouring pixels.
    void cellColorsNoWorseThanMostUsed()
    {
        QRandomGenerator rng(42);
        for (int picture = 0; picture < 4; ++picture) {
            const CanvasMode mode = CanvasMode(picture % 2);
            const QSize size = Project(mode).size();
            const int wide = mode == CanvasMode::Multicolor ? 2 : 1;
            QImage image(size.width() * wide, size.height(), QImage::Format_RGB32);
            double wave[3][4];
            for (auto &channel : wave)
                for (double &v : channel)
                    v = rng.generateDouble();
            const auto level = [&wave](int c, int x, int y) {
                return int(127.5 + 127.5 * std::sin(wave[c][0] * x / 20.0 + wave[c][1] * y / 15.0 +
                                                    6.0 * wave[c][2] +
                                                    wave[c][3] * std::cos(x * y / 3000.0)));
            };
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y, qRgb(level(0, x, y), level(1, x, y), level(2, x, y)));
            // Per channel (shift 16 red, 8 green, 0 blue): the 3 x 3 sums of
            // shown and wanted levels differ by the sum of their differences.
            auto blurredError = [&](const Colormap &result) {
                double sum = 0.0;
                for (int y = 1; y + 1 < size.height(); ++y)
                    for (int x = 1; x + 1 < size.width(); ++x)
                        for (int shift : {16, 8, 0}) {
                            double difference = 0.0;
                            for (int d = 0; d < 9; ++d) {
                                const int px = x + d % 3 - 1, py = y + d / 3 - 1;
                                difference +=
                                    int(paletteRgb(0, result.pixel(px, py)) >> shift & 255) -
                                    int(image.pixel(px * wide, py) >> shift & 255);
                            }
                            sum += difference * difference / 81.0;
                        }
                return sum / (size.width() * size.height());
            };
            // Refined against the classic error diffusion.
            for (int dither : {0, 1, 2, int(DitherKind::Refined)}) {
                ConversionOptions options{.mode = mode,
                                          .layout = {},
                                          .dither = DitherKind(dither <= 2 ? dither : 1),
                                          .distance = ColorMetric(picture / 2),
                                          .method = ConversionMethod::MostUsed};
                const double old = blurredError(convert(image, size, CurvesModel(), options));
                options.dither = DitherKind(dither);
                options.method = ConversionMethod::CellColorsFirst;
                const double error = blurredError(convert(image, size, CurvesModel(), options));
                QVERIFY2(error <= old * 1.05, qPrintable(QString::asprintf(
                                                  "%d %d: %g > %g", picture, dither, error, old)));
            }
        }
    }

    // Grey 88 lies halfway between colours 11 and 12 of the second palette,
    // nearer to no other: the lower index wins in both distances.
    void tiesGoToTheLowerIndex()
    {
        QImage grey(8, 8, QImage::Format_RGB32);
        grey.fill(qRgb(88, 88, 88));
        for (ColorMetric metric : {ColorMetric::Euclidean, ColorMetric::Weighted}) {
            QCOMPARE(colorDistance(88, 88, 88, paletteRgb(1, 11), metric),
                     colorDistance(88, 88, 88, paletteRgb(1, 12), metric));
            const Colormap result =
                ditherToPalette(grey, grey.size(), CurvesModel(),
                                {.layout = {}, .distance = metric, .paletteVariant = 1});
            QCOMPARE(result.bytes().count(char(11)), 64);
        }
    }
};

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"
