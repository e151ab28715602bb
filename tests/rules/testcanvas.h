#pragma once

// Small helpers shared by the colour rule tests: filling units from a
// compact "colour:count,..." notation and reading their histograms back.

#include "document/colormap.h"

#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

namespace testcanvas
{

// "3:30,7:17" -> {{3,30},{7,17}} in the given order.
inline QList<QPair<int, int>> parseCounts(const QString &text)
{
    QList<QPair<int, int>> counts;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList kv = part.split(u':');
        counts.append({kv.value(0).toInt(), kv.value(1).toInt()});
    }
    return counts;
}

// Paints the colours into `unit` in scan order, each for its count; pixels
// beyond the listed counts keep their colour.
inline void fillScan(Colormap &colormap, const QRect &unit, const QString &text)
{
    int x = unit.left();
    int y = unit.top();
    for (const auto &[color, count] : parseCounts(text)) {
        for (int i = 0; i < count; ++i) {
            colormap.setPixel(x, y, quint8(color));
            if (++x > unit.right()) {
                x = unit.left();
                ++y;
            }
        }
    }
}

inline std::array<int, 256> histogram(const Colormap &colormap, const QRect &unit)
{
    std::array<int, 256> counts{};
    for (int y = unit.top(); y <= unit.bottom(); ++y)
        for (int x = unit.left(); x <= unit.right(); ++x)
            ++counts[colormap.pixel(x, y)];
    return counts;
}

inline std::array<int, 256> expectedHistogram(const QString &text)
{
    std::array<int, 256> counts{};
    for (const auto &[color, count] : parseCounts(text))
        counts[color] += count;
    return counts;
}

inline QString describe(const std::array<int, 256> &counts)
{
    QStringList parts;
    for (int c = 0; c < 256; ++c)
        if (counts[c])
            parts << QStringLiteral("%1:%2").arg(c).arg(counts[c]);
    return parts.join(u',');
}

// Whether the two colormaps agree everywhere outside `keep`.
inline bool sameOutside(const Colormap &a, const Colormap &b, const QRect &keep)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!keep.contains(x, y) && a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace testcanvas
