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
