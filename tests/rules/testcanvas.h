#pragma once

// Helpers of the colour rule tests: units are filled from a compact
// "colour:count,..." text and read back as the same kind of text.

#include "document/colormap.h"

#include <QRect>
#include <QStringList>

namespace testcanvas
{

inline QList<QPair<int, int>> parseCounts(const QString &text)
{
    QList<QPair<int, int>> counts;
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts))
        counts.append({item.section(u':', 0, 0).toInt(), item.section(u':', 1, 1).toInt()});
    return counts;
}

// Paints the colours into `unit` in scan order, each for its count.
inline void fillScan(Colormap &colormap, const QRect &unit, const QString &text)
{
    int i = 0;
    for (const auto &[color, count] : parseCounts(text))
        for (int k = 0; k < count; ++k, ++i)
            colormap.setPixel(unit.left() + i % unit.width(), unit.top() + i / unit.width(),
                              quint8(color));
}

// The unit's pixel counts as "colour:count,..." in ascending colour order.
inline QString histogramText(const Colormap &colormap, const QRect &unit)
{
    const QByteArray bytes = colormap.copy(unit).bytes();
    QStringList entries;
    for (int c = 0; c < 16; ++c)
        if (const qsizetype n = bytes.count(char(c)))
            entries << QStringLiteral("%1:%2").arg(c).arg(n);
    return entries.join(u',');
}

} // namespace testcanvas
