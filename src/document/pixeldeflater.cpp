#include "pixeldeflater.h"

#include <QtEndian>

#include <libdeflate.h>

namespace
{
constexpr int DefaultLevel = 6; // zlib's default, which is also libdeflate's
}

PixelDeflater::PixelDeflater() : m_compressor(libdeflate_alloc_compressor(DefaultLevel))
{
    if (!m_compressor)
        qFatal("out of memory for a deflate compressor");
}

PixelDeflater::~PixelDeflater()
{
    libdeflate_free_compressor(m_compressor);
}

QByteArray PixelDeflater::deflate(const QByteArray &raw)
{
    const size_t bound = libdeflate_zlib_compress_bound(m_compressor, size_t(raw.size()));
    QByteArray out(qsizetype(4 + bound), Qt::Uninitialized);
    qToBigEndian(quint32(raw.size()), out.data());
    const size_t written = libdeflate_zlib_compress(m_compressor, raw.constData(),
                                                    size_t(raw.size()), out.data() + 4, bound);
    out.truncate(qsizetype(4 + written));
    return out;
}
