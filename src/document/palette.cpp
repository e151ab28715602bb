#include "palette.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>

#include <array>

namespace
{

// RRGGBB of the 16 colours, one row per variant in menu order.
constexpr std::array<std::array<quint32, 16>, PaletteVariantCount> Tables = {{
    {{0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941, 0x3E31A2, 0xD0DC71, 0x905F25,
      0x5C4700, 0xBB776D, 0x555555, 0x808080, 0xACEA88, 0x7C70DA, 0xABABAB}}, // Pixcen
    {{0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43, 0x352879, 0xB8C76F, 0x6F4F25,
      0x433900, 0x9A6759, 0x444444, 0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595}}, // Pepto
    {{0x000000, 0xFFFFFF, 0x813338, 0x75CEC8, 0x8E3C97, 0x56AC4D, 0x2E2C9B, 0xEDF171, 0x8E5029,
      0x553800, 0xC46C71, 0x4A4A4A, 0x7B7B7B, 0xA9FF9F, 0x706DEB, 0xB2B2B2}}, // Colodore
    {{0x101010, 0xFFFFFF, 0xE04040, 0x60FFFF, 0xE060E0, 0x40E040, 0x4040E0, 0xFFFF40, 0xE0A040,
      0x9C7448, 0xFFA0A0, 0x545454, 0x888888, 0xA0FFA0, 0xA0A0FF, 0xC0C0C0}}, // CCS64
    {{0x212121, 0xFFFFFF, 0xB52121, 0x73FFFF, 0xB521B5, 0x21B521, 0x2121B5, 0xFFFF21, 0xB57321,
      0x944221, 0xFF7373, 0x737373, 0x949494, 0x73FF73, 0x7373FF, 0xB5B5B5}}, // PC64
    {{0x000000, 0xFDFEFC, 0xBE1A24, 0x30E6C6, 0xB41AE2, 0x1FD21E, 0x211BAE, 0xDFF60A, 0xB84104,
      0x6A3304, 0xFE4A57, 0x424540, 0x70746F, 0x59FE59, 0x5F53FE, 0xA4A7A2}}, // VICE
    {{0x000000, 0xFFFFFF, 0x7D202C, 0x4FB3A5, 0x84258C, 0x339840, 0x2A1B9D, 0xBFD04A, 0x7F410D,
      0x4C2E00, 0xB44F5C, 0x3C3C3C, 0x646464, 0x7CE587, 0x6351DB, 0x939393}}, // Jampal
    {{0x000000, 0xFFFFFF, 0x882000, 0x68D0A8, 0xA838A0, 0x50B818, 0x181090, 0xF0E858, 0xA04800,
      0x472B1B, 0xC87870, 0x484848, 0x808080, 0x98FF98, 0x5090D0, 0xB8B8B8}}, // DeeKay
    {{0x000000, 0xFFFFFF, 0x890000, 0xABFFEE, 0xCC45CB, 0x00CC53, 0x0100AB, 0xEDEF78, 0xDC8955,
      0x654500, 0xFF7777, 0x343132, 0x777777, 0xA9FF65, 0x0189FF, 0xBBBBBB}}, // NTSC
    {{0x000000, 0xFFFFFF, 0x860000, 0x70D3FF, 0xC6009E, 0x00B200, 0x0000B9, 0xFFEB72, 0x973C00,
      0x654300, 0xC7564E, 0x3D3D3D, 0x6C6C6C, 0x40FF68, 0x2C83FF, 0xB0B0B0}}, // High Contrast
}};

const char *const Names[PaletteVariantCount] = {
    QT_TRANSLATE_NOOP("Palette", "Pixcen"),   QT_TRANSLATE_NOOP("Palette", "Pepto"),
    QT_TRANSLATE_NOOP("Palette", "Colodore"), QT_TRANSLATE_NOOP("Palette", "CCS64"),
    QT_TRANSLATE_NOOP("Palette", "PC64"),     QT_TRANSLATE_NOOP("Palette", "VICE"),
    QT_TRANSLATE_NOOP("Palette", "Jampal"),   QT_TRANSLATE_NOOP("Palette", "DeeKay"),
    QT_TRANSLATE_NOOP("Palette", "NTSC"),     QT_TRANSLATE_NOOP("Palette", "High Contrast")};

} // namespace

QRgb paletteRgb(PaletteVariant variant, int index)
{
    if (variant < 0 || variant >= PaletteVariantCount)
        variant = 0;
    if (index > 15)
        index = 15;
    if (index < 0)
        index = 0;
    return 0xFF000000u | Tables[variant][index];
}

QString paletteVariantName(PaletteVariant variant)
{
    if (variant < 0 || variant >= PaletteVariantCount)
        return QString();
    return QCoreApplication::translate("Palette", Names[variant]);
}

const QList<PaletteVariant> &paletteVariants()
{
    static const QList<PaletteVariant> variants = [] {
        QList<PaletteVariant> list;
        for (int v = 0; v < PaletteVariantCount; ++v)
            list.append(v);
        return list;
    }();
    return variants;
}

MetricPoint metricPoint(double r, double g, double b, ColorMetric metric)
{
    if (metric == ColorMetric::Euclidean)
        return {{r, g, b}};
    if (metric == ColorMetric::Weighted)
        return {{std::sqrt(0.299) * r, std::sqrt(0.587) * g, std::sqrt(0.114) * b}};
    auto linear = [](double v) {
        v = std::clamp(v, 0.0, 255.0) / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    auto f = [](double t) {
        return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
    };
    const double lr = linear(r), lg = linear(g), lb = linear(b);
    const double fx = f((0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb) / 0.95047);
    const double fy = f(0.2126729 * lr + 0.7151522 * lg + 0.0721750 * lb);
    const double fz = f((0.0193339 * lr + 0.1191920 * lg + 0.9503041 * lb) / 1.08883);
    return {{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)}};
}

double colorDistance(double r, double g, double b, QRgb color, ColorMetric metric)
{
    if (metric == ColorMetric::Perceptual) {
        const MetricPoint p = metricPoint(r, g, b, metric);
        const MetricPoint q = metricPoint(qRed(color), qGreen(color), qBlue(color), metric);
        return (p.v[0] - q.v[0]) * (p.v[0] - q.v[0]) + (p.v[1] - q.v[1]) * (p.v[1] - q.v[1]) +
               (p.v[2] - q.v[2]) * (p.v[2] - q.v[2]);
    }
    const double dr = r - qRed(color);
    const double dg = g - qGreen(color);
    const double db = b - qBlue(color);
    if (metric == ColorMetric::Weighted)
        return 0.299 * dr * dr + 0.587 * dg * dg + 0.114 * db * db;
    return dr * dr + dg * dg + db * db;
}
