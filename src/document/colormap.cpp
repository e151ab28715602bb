#include "colormap.h"

#include <algorithm>
#include <cstring>

Colormap::Colormap(int width, int height)
    : m_width(std::max(0, width)), m_height(std::max(0, height)),
      m_pixels(qsizetype(m_width) * m_height, '\0')
{
}

void Colormap::resize(int width, int height)
{
    Colormap resized(width, height);
    resized.paste(QPoint(0, 0), *this);
    *this = resized;
}

quint8 Colormap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return quint8(m_pixels.constData()[qsizetype(y) * m_width + x]);
}

void Colormap::setPixel(int x, int y, quint8 color)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    m_pixels.data()[qsizetype(y) * m_width + x] = char(color);
}

void Colormap::fill(quint8 color) { m_pixels.fill(char(color)); }

void Colormap::fillRect(const QRect &rect, quint8 color)
{
    const QRect r = rect & this->rect();
    if (r.isEmpty())
        return;
    quint8 *p = bits();
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memset(p + qsizetype(y) * m_width + r.left(), color, size_t(r.width()));
}

Colormap Colormap::copy(const QRect &rect) const
{
    Colormap result(rect.width(), rect.height());
    const QRect r = rect & this->rect();
    if (r.isEmpty())
        return result;
    quint8 *dst = result.bits();
    const quint8 *src = constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::memcpy(dst + qsizetype(y - rect.top()) * result.m_width + (r.left() - rect.left()),
                    src + qsizetype(y) * m_width + r.left(), size_t(r.width()));
    }
    return result;
}

void Colormap::paste(QPoint pos, const Colormap &source)
{
    const QRect r = QRect(pos, source.size()) & rect();
    if (r.isEmpty())
        return;
    quint8 *dst = bits();
    const quint8 *src = source.constBits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::memcpy(dst + qsizetype(y) * m_width + r.left(),
                    src + qsizetype(y - pos.y()) * source.m_width + (r.left() - pos.x()),
                    size_t(r.width()));
    }
}

int Colormap::replace(const QRect &rect, quint8 from, quint8 to)
{
    const QRect r = rect & this->rect();
    if (from == to || r.isEmpty())
        return 0;
    int changed = 0;
    quint8 *p = bits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        quint8 *row = p + qsizetype(y) * m_width;
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] == from) {
                row[x] = to;
                ++changed;
            }
        }
    }
    return changed;
}

int Colormap::swap(const QRect &rect, quint8 a, quint8 b)
{
    const QRect r = rect & this->rect();
    if (a == b || r.isEmpty())
        return 0;
    int changed = 0;
    quint8 *p = bits();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        quint8 *row = p + qsizetype(y) * m_width;
        for (int x = r.left(); x <= r.right(); ++x) {
            if (row[x] == a) {
                row[x] = b;
                ++changed;
            } else if (row[x] == b) {
                row[x] = a;
                ++changed;
            }
        }
    }
    return changed;
}

QRect Colormap::difference(const Colormap &a, const Colormap &b)
{
    if (a.size() != b.size() || a.isEmpty())
        return QRect();
    const int w = a.m_width;
    const quint8 *pa = a.constBits();
    const quint8 *pb = b.constBits();
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < a.m_height; ++y) {
        if (std::memcmp(pa + qsizetype(y) * w, pb + qsizetype(y) * w, size_t(w)) != 0) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    if (top < 0)
        return QRect();
    int left = w;
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        const quint8 *ra = pa + qsizetype(y) * w;
        const quint8 *rb = pb + qsizetype(y) * w;
        for (int x = 0; x < left; ++x) {
            if (ra[x] != rb[x]) {
                left = x;
                break;
            }
        }
        for (int x = w - 1; x > right; --x) {
            if (ra[x] != rb[x]) {
                right = x;
                break;
            }
        }
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool Colormap::setBytes(int width, int height, const QByteArray &bytes)
{
    if (width < 0 || height < 0 || bytes.size() != qsizetype(width) * height)
        return false;
    m_width = width;
    m_height = height;
    m_pixels = bytes;
    return true;
}
