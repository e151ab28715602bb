#pragma once

#include "palette.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

// The artwork: a row-major grid of C64 colour indices 0..15. The bytes are
// implicitly shared, so copying a colormap is cheap until one side writes.
class Colormap
{
public:
    Colormap() = default;
    Colormap(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    QSize size() const { return QSize(m_width, m_height); }
    QRect rect() const { return QRect(0, 0, m_width, m_height); }
    bool isEmpty() const { return m_width < 1 || m_height < 1; }

    void resize(int width, int height);
    quint8 pixel(int x, int y) const;
    void setPixel(int x, int y, quint8 color);
    void fill(quint8 color);
    // Fills rect ∩ canvas with one colour.
    void fillRect(const QRect &rect, quint8 color);
    Colormap copy(const QRect &rect) const;
    void paste(QPoint pos, const Colormap &source);
    int replace(const QRect &rect, quint8 from, quint8 to);
    int swap(const QRect &rect, quint8 a, quint8 b);
    static QRect difference(const Colormap &a, const Colormap &b);

    QImage toImage(PaletteVariant variant) const;
    void render(QImage &image, const QRect &rect, PaletteVariant variant) const;

    // Raw row access for hot loops; the caller keeps within the bounds.
    const quint8 *constBits() const
    {
        return reinterpret_cast<const quint8 *>(m_pixels.constData());
    }
    quint8 *bits() { return reinterpret_cast<quint8 *>(m_pixels.data()); }
    const QByteArray &bytes() const { return m_pixels; }
    // Adopts bytes of exactly width × height entries; returns false otherwise.
    bool setBytes(int width, int height, const QByteArray &bytes);

    friend bool operator==(const Colormap &a, const Colormap &b)
    {
        return a.m_width == b.m_width && a.m_height == b.m_height && a.m_pixels == b.m_pixels;
    }

private:
    qint32 m_width = 0;
    qint32 m_height = 0;
    QByteArray m_pixels;
};

// Inline so that code which never draws a colormap never links Qt GUI.
inline QImage Colormap::toImage(PaletteVariant variant) const
{
    if (isEmpty())
        return QImage();
    QImage image(m_width, m_height, QImage::Format_RGB32);
    render(image, rect(), variant);
    return image;
}

inline void Colormap::render(QImage &image, const QRect &rect, PaletteVariant variant) const
{
    const QRect r = rect & image.rect() & this->rect();
    if (r.isEmpty() || image.depth() != 32)
        return;
    QRgb lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = paletteRgb(variant, i);
    const quint8 *src = constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const quint8 *s = src + qsizetype(y) * m_width;
        QRgb *d = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            d[x] = lut[s[x]];
    }
}
