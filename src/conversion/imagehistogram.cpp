#include "imagehistogram.h"

#include <algorithm>

ImageHistogram::ImageHistogram() = default;

ImageHistogram::ImageHistogram(const QImage &image)
{
    if (image.isNull())
        return;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            ++m_counts[0][size_t(qRed(line[x]))];
            ++m_counts[1][size_t(qGreen(line[x]))];
            ++m_counts[2][size_t(qBlue(line[x]))];
        }
    }
}

quint32 ImageHistogram::maximum() const
{
    quint32 best = 0;
    for (const Counts &c : m_counts)
        best = std::max(best, *std::max_element(c.begin(), c.end()));
    return best;
}
