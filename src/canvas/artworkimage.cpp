#include "artworkimage.h"

#include <algorithm>

QImage artworkImage(const Colormap &colormap, PaletteVariant variant, int scale)
{
    if (colormap.isEmpty())
        return QImage();
    scale = std::max(1, scale);
    QImage image(colormap.width() * scale, colormap.height(), QImage::Format_RGB32);
    renderArtwork(image, colormap, colormap.rect(), variant, scale);
    return image;
}

void renderArtwork(QImage &image, const Colormap &colormap, const QRect &rect,
                   PaletteVariant variant, int scale)
{
    scale = std::max(1, scale);
    if (image.depth() != 32 || image.width() != colormap.width() * scale ||
        image.height() != colormap.height())
        return;
    const QRect r = rect & colormap.rect();
    if (r.isEmpty())
        return;
    QRgb lut[16];
    for (int i = 0; i < 16; ++i)
        lut[i] = paletteRgb(variant, i);
    const quint8 *bits = colormap.constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *s = bits + qsizetype(y) * colormap.width();
        QRgb *d = reinterpret_cast<QRgb *>(image.scanLine(y)) + qsizetype(r.left()) * scale;
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = lut[std::min<int>(s[x], 15)];
            for (int i = 0; i < scale; ++i)
                *d++ = c;
        }
    }
}
