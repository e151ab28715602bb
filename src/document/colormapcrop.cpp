#include "colormapcrop.h"

#include "quietinflate.h"

#include <QLoggingCategory>

ColormapCrop ColormapCrop::fromColormap(const Colormap &pixels)
{
    ColormapCrop crop;
    crop.m_bytes = pixels.bytes();
    crop.m_width = pixels.width();
    crop.m_height = pixels.height();
    return crop;
}

ColormapCrop ColormapCrop::fromCompressed(const QByteArray &compressed, int width, int height)
{
    return fromCompressedSlice(compressed, 0, compressed.size(), width, height);
}

ColormapCrop ColormapCrop::fromCompressedSlice(const QByteArray &buffer, qsizetype offset,
                                               qsizetype length, int width, int height)
{
    ColormapCrop crop;
    crop.m_width = width;
    crop.m_height = height;
    if (length > 0) {
        crop.m_bytes = buffer;
        crop.m_offset = qint32(offset);
        crop.m_length = qint32(length);
    }
    return crop;
}

QByteArray ColormapCrop::compressed() const
{
    return m_length > 0 ? QByteArray::fromRawData(m_bytes.constData() + m_offset, m_length)
                        : QByteArray();
}

bool ColormapCrop::inflateInto(Colormap &out) const
{
    if (m_length == 0)
        return out.setBytes(m_width, m_height, m_bytes);
    const QByteArray bytes = quietUncompress(compressed(), qsizetype(m_width) * m_height);
    if (out.setBytes(m_width, m_height, bytes))
        return true;
    qWarning("ColormapCrop: %d x %d crop failed to inflate", m_width, m_height);
    out = Colormap(m_width, m_height);
    return false;
}

Colormap ColormapCrop::pixels() const
{
    Colormap result;
    inflateInto(result);
    return result;
}

bool ColormapCrop::inflate()
{
    if (m_length == 0)
        return true;
    Colormap inflated;
    const bool ok = inflateInto(inflated);
    m_bytes = inflated.bytes();
    m_offset = 0;
    m_length = 0;
    return ok;
}
