#include "antialiascoverage.h"

#include <cstring>

void AntialiasCoverage::ensureSize(QSize size)
{
    if (size == m_size)
        return;
    m_size = size;
    const qsizetype n = qsizetype(std::max(0, size.width())) * std::max(0, size.height());
    m_coverage = QByteArray(n, 0);
    m_under = QByteArray(n, 0);
    m_touched = QRect();
}

void AntialiasCoverage::clear()
{
    const QRect r = m_touched & QRect(QPoint(0, 0), m_size);
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memset(m_coverage.data() + index(r.left(), y), 0, size_t(r.width()));
    m_touched = QRect();
}

void AntialiasCoverage::touch(int x, int y, quint8 k, quint8 under, quint8 &maxCoverage,
                              quint8 &firstUnder)
{
    const qsizetype i = index(x, y);
    const quint8 old = quint8(m_coverage[i]);
    if (old == 0) {
        // Coverage 0 means untouched: remember what was there.
        m_under[i] = char(under);
        m_touched |= QRect(x, y, 1, 1);
    }
    const quint8 top = std::max(old, k);
    m_coverage[i] = char(top);
    maxCoverage = top;
    firstUnder = quint8(m_under[i]);
}
