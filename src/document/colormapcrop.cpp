#include "colormapcrop.h"

#include "quietinflate.h"

#include <QLoggingCategory>

namespace
{

bool inflateInto(const QByteArray &compressed, int width, int height, Colormap &out)
{
    const QByteArray bytes = quietUncompress(compressed, qsizetype(width) * height);
    if (out.setBytes(width, height, bytes))
        return true;
    qWarning("ColormapCrop: %d x %d crop failed to inflate", width, height);
    out = Colormap(width, height);
    return false;
}

} // namespace

ColormapCrop ColormapCrop::fromColormap(const Colormap &pixels)
{
    ColormapCrop crop;
    crop.m_colormap = pixels;
    crop.m_width = pixels.width();
    crop.m_height = pixels.height();
    return crop;
}

ColormapCrop ColormapCrop::fromCompressed(const QByteArray &compressed, int width, int height)
{
    ColormapCrop crop;
    crop.m_compressed = compressed;
    crop.m_width = width;
    crop.m_height = height;
    return crop;
}

bool ColormapCrop::inflate()
{
    if (m_compressed.isEmpty())
        return true;
    const bool ok = inflateInto(m_compressed, m_width, m_height, m_colormap);
    m_compressed.clear();
    return ok;
}

Colormap ColormapCrop::pixels() const
{
    if (m_compressed.isEmpty())
        return m_colormap;
    Colormap result;
    inflateInto(m_compressed, m_width, m_height, result);
    return result;
}
