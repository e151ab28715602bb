#include "pixeldeflate.h"

#include <QtEndian>

#include <libdeflate.h>

namespace
{
constexpr int DefaultLevel = 6; // zlib's default, which is also libdeflate's
}

QByteArray deflatePixels(const QByteArray &raw)
{
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(DefaultLevel);
    if (!compressor)
        qFatal("out of memory for a deflate compressor");
    const size_t bound = libdeflate_zlib_compress_bound(compressor, size_t(raw.size()));
    QByteArray out(qsizetype(4 + bound), Qt::Uninitialized);
    qToBigEndian(quint32(raw.size()), out.data());
    const size_t written = libdeflate_zlib_compress(compressor, raw.constData(), size_t(raw.size()),
                                                    out.data() + 4, bound);
    libdeflate_free_compressor(compressor);
    out.truncate(qsizetype(4 + written));
    return out;
}
