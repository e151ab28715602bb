#include "quietinflate.h"

#include <libdeflate.h>

QByteArray quietUncompress(const QByteArray &compressed, qsizetype expectedSize)
{
    if (compressed.size() < 4)
        return {};
    const auto *bytes = reinterpret_cast<const uchar *>(compressed.constData());
    const quint32 expected = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) |
                             (quint32(bytes[2]) << 8) | quint32(bytes[3]);
    if (expected == 0 || qsizetype(expected) != expectedSize)
        return {};
    QByteArray out(qsizetype(expected), Qt::Uninitialized);
    if (!inflateExactly(compressed.constData() + 4, compressed.size() - 4, out.data(), out.size()))
        return {};
    return out;
}

bool inflateExactly(const char *compressed, qsizetype size, char *out, qsizetype outSize)
{
    libdeflate_decompressor *decompressor = libdeflate_alloc_decompressor();
    if (!decompressor)
        return false;
    // Without an actual-size pointer, anything but exactly outSize bytes fails.
    const libdeflate_result result = libdeflate_zlib_decompress(
        decompressor, compressed, size_t(size), out, size_t(outSize), nullptr);
    libdeflate_free_decompressor(decompressor);
    return result == LIBDEFLATE_SUCCESS;
}
