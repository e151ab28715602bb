#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <algorithm>

// Per colormap pixel of one anti-aliased stroke: the highest coverage any
// segment gave it and the colour that was under it when the stroke first
// touched it, so overlapping segments blend against the original colour
// instead of darkening their own edges.
class AntialiasCoverage
{
public:
    // Sizes the buffer to the canvas; a new size clears everything.
    void ensureSize(QSize size);
    QSize size() const { return m_size; }
    // Clears what the stroke touched so far.
    void clear();
    QRect touched() const { return m_touched; }

    quint8 coverage(int x, int y) const { return quint8(m_coverage[index(x, y)]); }
    const quint8 *row(int y) const
    {
        return reinterpret_cast<const quint8 *>(m_coverage.constData()) + index(0, y);
    }
    // Records coverage k at (x, y) over `under` (kept from the first touch)
    // and returns the highest coverage seen there together with the
    // colour under it at first touch.
    void touch(int x, int y, quint8 k, quint8 under, quint8 &maxCoverage, quint8 &firstUnder)
    {
        const qsizetype i = index(x, y);
        quint8 *coverage = reinterpret_cast<quint8 *>(m_coverage.data());
        quint8 *first = reinterpret_cast<quint8 *>(m_under.data());
        const quint8 old = coverage[i];
        if (old == 0) {
            // Coverage 0 means untouched: remember what was there.
            first[i] = under;
            m_touched |= QRect(x, y, 1, 1);
        }
        const quint8 top = std::max(old, k);
        coverage[i] = top;
        maxCoverage = top;
        firstUnder = first[i];
    }

private:
    qsizetype index(int x, int y) const { return qsizetype(y) * m_size.width() + x; }

    QSize m_size;
    QByteArray m_coverage;
    QByteArray m_under;
    QRect m_touched;
};
