#pragma once

#include <QList>
#include <QRgb>
#include <QString>

// The C64's 16 colours as the ten palette variants show them.
using PaletteVariant = qint32;
constexpr int PaletteVariantCount = 10;

// Euclidean and Weighted measure in RGB; Perceptual in CIELAB (sRGB, D65),
// where equal steps look equally different, so a light grey never reads as
// nearer to yellow than to white.
enum class ColorMetric { Euclidean = 0, Weighted = 1, Perceptual = 2 };

// Opaque RGB of an index; indices above 15 read as 15, unknown variants as the first.
QRgb paletteRgb(PaletteVariant variant, int index);
QString paletteVariantName(PaletteVariant variant);
const QList<PaletteVariant> &paletteVariants();

// Squared distance of (r, g, b) to a palette colour.
double colorDistance(double r, double g, double b, QRgb color, ColorMetric metric);
// Coordinates of (r, g, b) in which `metric` is the plain squared Euclidean
// distance: RGB, RGB scaled by the square roots of the weights, or CIELAB.
struct MetricPoint {
    double v[3];
};
MetricPoint metricPoint(double r, double g, double b, ColorMetric metric);
