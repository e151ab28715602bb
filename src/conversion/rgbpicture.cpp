#include "rgbpicture.h"

RgbPicture::RgbPicture(QSize size, QRgb fill)
    : m_size(size.isEmpty() ? QSize() : size),
      m_pixels(size_t(m_size.width()) * size_t(m_size.height()), fill | 0xff000000u)
{
}
