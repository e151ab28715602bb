#include "quietinflate.h"

#include <zlib.h>

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
    uLongf outLength = expected;
    const int status = uncompress(reinterpret_cast<Bytef *>(out.data()), &outLength, bytes + 4,
                                  uLong(compressed.size() - 4));
    if (status != Z_OK || outLength != expected)
        return {};
    return out;
}
