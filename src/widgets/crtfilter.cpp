#include "crtfilter.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace
{

// A normalised Gaussian of standard deviation 0.3 pixels, sampled at -1, 0, 1.
constexpr double BlurWeights[3] = {0.0038362587991689332, 0.992327482401662, 0.0038362587991689332};
// The dimmed scanlines (the even rows) keep this much of their light.
constexpr double ScanlineLevel = 0.8;

bool isFilterable(const QImage &image)
{
    return !image.isNull() && image.format() == QImage::Format_RGB32;
}

int dim(int channel, bool dimmed)
{
    // Truncated, as the television's darker lines are.
    return dimmed ? int(channel * ScanlineLevel) : channel;
}

} // namespace

QImage CrtFilter::apply(const QImage &source)
{
    if (!isFilterable(source))
        return QImage();
    QImage target(source.size(), QImage::Format_RGB32);
    applyRegion(source, target, source.rect());
    return target;
}

void CrtFilter::applyRegion(const QImage &source, QImage &target, const QRect &rect)
{
    if (!isFilterable(source) || target.size() != source.size() || target.depth() != 32)
        return;
    const QRect r = rect & source.rect();
    if (r.isEmpty())
        return;
    // The blur reaches one pixel out, so the shifted and dimmed picture is
    // needed one pixel around the rectangle.
    const QRect r1 = r.adjusted(-1, -1, 1, 1) & source.rect();
    const int lastColumn = source.width() - 1;
    QList<QRgb> buffer(qsizetype(r1.width()) * r1.height());
    for (int y = r1.top(); y <= r1.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        const bool dimmed = y % 2 == 0;
        QRgb *out = buffer.data() + qsizetype(y - r1.top()) * r1.width();
        for (int x = r1.left(); x <= r1.right(); ++x) {
            const int red = qRed(line[std::min(x + 1, lastColumn)]);
            const int green = qGreen(line[x]);
            const int blue = qBlue(line[std::max(x - 1, 0)]);
            *out++ = qRgb(dim(red, dimmed), dim(green, dimmed), dim(blue, dimmed));
        }
    }
    const auto at = [&](int x, int y) {
        x = std::clamp(x, r1.left(), r1.right()) - r1.left();
        y = std::clamp(y, r1.top(), r1.bottom()) - r1.top();
        return buffer.at(qsizetype(y) * r1.width() + x);
    };
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(target.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            double red = 0.0;
            double green = 0.0;
            double blue = 0.0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const double weight = BlurWeights[dx + 1] * BlurWeights[dy + 1];
                    const QRgb c = at(x + dx, y + dy);
                    red += weight * qRed(c);
                    green += weight * qGreen(c);
                    blue += weight * qBlue(c);
                }
            }
            const auto channel = [](double sum) {
                return std::clamp(int(std::lround(sum)), 0, 255);
            };
            line[x] = qRgb(channel(red), channel(green), channel(blue));
        }
    }
}
