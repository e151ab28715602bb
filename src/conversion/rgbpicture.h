#pragma once

#include <QImage>
#include <QSize>
#include <algorithm>
#include <vector>

// An opaque 32-bit picture (0xffRRGGBB per pixel), the converter's input.
// It holds no Qt GUI object, so a program can convert a picture without
// loading Qt's GUI library; the bridges to QImage are inline and cost only
// the callers that use them.
class RgbPicture
{
public:
    RgbPicture() = default;
    explicit RgbPicture(QSize size, QRgb fill = 0xff000000u);

    // The picture composed over black, as QImage::Format_RGB32 does.
    static RgbPicture fromImage(const QImage &image)
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        RgbPicture picture(rgb.size());
        for (int y = 0; y < rgb.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb *>(rgb.constScanLine(y)), rgb.width(),
                        picture.scanLine(y));
        return picture;
    }
    QImage toImage() const
    {
        QImage image(m_size, QImage::Format_RGB32);
        for (int y = 0; y < m_size.height(); ++y)
            std::copy_n(constScanLine(y), m_size.width(),
                        reinterpret_cast<QRgb *>(image.scanLine(y)));
        return image;
    }

    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }
    const QRgb *constScanLine(int y) const { return m_pixels.data() + qsizetype(y) * width(); }
    QRgb *scanLine(int y) { return m_pixels.data() + qsizetype(y) * width(); }
    QRgb pixel(int x, int y) const { return constScanLine(y)[x]; }

private:
    QSize m_size;
    std::vector<QRgb> m_pixels;
};
