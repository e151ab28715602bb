#include "pngdecoder.h"

#include "document/quietinflate.h"

#include <libdeflate.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cstdlib>
#include <cstring>

namespace
{

// Qt's reader refuses pictures over its 256 MB allocation limit; so do we.
constexpr qint64 MaxPixels = 256ll * 1024 * 1024 / 4;

quint32 bigEndian(const char *p)
{
    const auto *u = reinterpret_cast<const uchar *>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | quint32(u[3]);
}

struct Header {
    int width = 0, height = 0, depth = 0, colorType = 0;
    int channels() const
    {
        switch (colorType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
        }
    }
    bool supported() const
    {
        switch (colorType) {
        case 0:
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8;
        default:
            return false;
        }
    }
    qsizetype rowBytes() const { return (qsizetype(width) * channels() * depth + 7) / 8; }
};

uchar paeth(int a, int b, int c)
{
    // The distances of a + b - c to a, b and c.
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    // a when it is nearest, else the nearer of b and c, b on a tie: written
    // as two selections so photographs' bytes do not mispredict a branch.
    const int nearerOfBc = pb <= pc ? b : c, nearestOfBc = std::min(pb, pc);
    return uchar(pa <= nearestOfBc ? a : nearerOfBc);
}

#ifdef __SSE2__
// The Paeth filter of a row of 3- or 4-byte pixels, a pixel at a time in the
// lanes of one register, the left and upper-left pixels kept in registers:
// byte by byte, each byte waited for the one stored a pixel before.
template <int Bpp> void paethPixels(uchar *row, const uchar *up, qsizetype stride)
{
    const __m128i zero = _mm_setzero_si128();
    // Four bytes, but never past the row's end, where the buffer may end.
    const auto load = [&](const uchar *p, bool last) {
        quint32 bytes = 0;
        if (last)
            std::memcpy(&bytes, p, Bpp);
        else
            std::memcpy(&bytes, p, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(bytes)), zero);
    };
    const auto absolute = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    const auto select = [](__m128i when, __m128i then, __m128i otherwise) {
        return _mm_or_si128(_mm_and_si128(when, then), _mm_andnot_si128(when, otherwise));
    };
    __m128i a = zero, c = zero;
    for (qsizetype i = 0; i < stride; i += Bpp) {
        const bool last = i + 4 > stride;
        const __m128i b = load(up + i, last);
        // The distances of a + b - c to a, b and c; a wins a tie, then b.
        const __m128i pa = absolute(_mm_sub_epi16(b, c)), pb = absolute(_mm_sub_epi16(a, c)),
                      pc = absolute(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
        const __m128i nearest = _mm_min_epi16(_mm_min_epi16(pa, pb), pc);
        const __m128i predicted =
            select(_mm_cmpeq_epi16(pa, nearest), a, select(_mm_cmpeq_epi16(pb, nearest), b, c));
        a = _mm_and_si128(_mm_add_epi16(load(row + i, last), predicted), _mm_set1_epi16(0xff));
        const quint32 bytes = quint32(_mm_cvtsi128_si32(_mm_packus_epi16(a, a)));
        std::memcpy(row + i, &bytes, Bpp);
        c = b;
    }
}
#endif

// Undoes the per-row filters in place; false on an unknown filter.
bool unfilter(QByteArray &raw, const Header &header)
{
    const qsizetype stride = header.rowBytes();
    const int bpp = std::max(1, header.channels() * header.depth / 8);
    auto *data = reinterpret_cast<uchar *>(raw.data());
    // The row above the first is all zeros.
    const QByteArray zeros(stride, '\0');
    const auto *up = reinterpret_cast<const uchar *>(zeros.constData());
    for (int y = 0; y < header.height; ++y, data += stride + 1) {
        uchar *row = data + 1;
        switch (data[0]) {
        case 0:
            break;
        case 1:
            for (qsizetype i = bpp; i < stride; ++i)
                row[i] = uchar(row[i] + row[i - bpp]);
            break;
        case 2:
            for (qsizetype i = 0; i < stride; ++i)
                row[i] = uchar(row[i] + up[i]);
            break;
        case 3: {
            const qsizetype first = std::min<qsizetype>(bpp, stride);
            for (qsizetype i = 0; i < first; ++i)
                row[i] = uchar(row[i] + up[i] / 2);
            for (qsizetype i = first; i < stride; ++i)
                row[i] = uchar(row[i] + (row[i - bpp] + up[i]) / 2);
            break;
        }
        case 4: {
#ifdef __SSE2__
            if (bpp == 3 || bpp == 4) {
                bpp == 3 ? paethPixels<3>(row, up, stride) : paethPixels<4>(row, up, stride);
                break;
            }
#endif
            // Left of the first pixel, a and c are 0: the predictor is the byte above.
            const qsizetype first = std::min<qsizetype>(bpp, stride);
            for (qsizetype i = 0; i < first; ++i)
                row[i] = uchar(row[i] + up[i]);
            for (qsizetype i = first; i < stride; ++i)
                row[i] = uchar(row[i] + paeth(row[i - bpp], up[i], up[i - bpp]));
            break;
        }
        default:
            return false;
        }
        up = row;
    }
    return true;
}

} // namespace

std::optional<RgbPicture> PngDecoder::decode(const QByteArray &data)
{
    static const char Signature[] = "\x89PNG\r\n\x1a\n";
    if (data.size() < 8 || std::memcmp(data.constData(), Signature, 8) != 0)
        return std::nullopt;
    Header header;
    QByteArray palette, compressed;
    bool ended = false;
    for (qsizetype at = 8; !ended;) {
        if (data.size() - at < 12)
            return std::nullopt;
        const quint32 length = bigEndian(data.constData() + at);
        if (length > quint32(data.size() - at - 12))
            return std::nullopt;
        const char *type = data.constData() + at + 4;
        const char *body = type + 4;
        if (quint32(libdeflate_crc32(0, type, length + 4)) != bigEndian(body + length))
            return std::nullopt;
        const QByteArray name(type, 4);
        if (at == 8 && name != "IHDR")
            return std::nullopt;
        if (name == "IHDR") {
            if (length != 13 || at != 8)
                return std::nullopt;
            header.width = int(qMin(bigEndian(body), 0x7fffffffu));
            header.height = int(qMin(bigEndian(body + 4), 0x7fffffffu));
            header.depth = uchar(body[8]);
            header.colorType = uchar(body[9]);
            // Compression, filter method and interlacing must all be the plain kind.
            if (body[10] != 0 || body[11] != 0 || body[12] != 0 || !header.supported() ||
                header.width <= 0 || header.height <= 0 ||
                qint64(header.width) * header.height > MaxPixels)
                return std::nullopt;
        } else if (name == "PLTE") {
            palette = QByteArray(body, length);
        } else if (name == "IDAT") {
            compressed.append(body, length);
        } else if (name == "IEND") {
            ended = true;
        } else if (name == "tRNS" || name == "eXIf" || !(type[0] & 0x20)) {
            // Transparency, an orientation, or a critical chunk we do not know.
            return std::nullopt;
        }
        at += 12 + qsizetype(length);
    }
    if (compressed.isEmpty() || (header.colorType == 3 && palette.size() % 3 != 0))
        return std::nullopt;

    const qsizetype stride = header.rowBytes();
    // Deflate shrinks at most about 1032:1; a header that claims more is lying
    // and must not make us allocate for it.
    if ((stride + 1) * header.height > compressed.size() * 1032 + 1024)
        return std::nullopt;
    QByteArray raw((stride + 1) * header.height, Qt::Uninitialized);
    if (!inflateExactly(compressed.constData(), compressed.size(), raw.data(), raw.size()) ||
        !unfilter(raw, header))
        return std::nullopt;

    RgbPicture picture(QSize(header.width, header.height));
    const auto *palettePixels = reinterpret_cast<const uchar *>(palette.constData());
    const int depth = header.depth, colors = int(palette.size() / 3);
    const int gray = depth == 8 ? 1 : 255 / ((1 << depth) - 1);
    for (int y = 0; y < header.height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(raw.constData()) + y * (stride + 1) + 1;
        QRgb *out = picture.scanLine(y);
        const int width = header.width;
        switch (header.colorType) {
        case 0:
        case 3:
            for (int x = 0; x < width; ++x) {
                const int bit = x * depth;
                const int value = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
                if (header.colorType == 0) {
                    out[x] = qRgb(value * gray, value * gray, value * gray);
                } else {
                    if (value >= colors)
                        return std::nullopt;
                    const uchar *c = palettePixels + value * 3;
                    out[x] = qRgb(c[0], c[1], c[2]);
                }
            }
            break;
        case 2:
            for (int x = 0; x < width; ++x, row += 3)
                out[x] = qRgb(row[0], row[1], row[2]);
            break;
        case 4:
            for (int x = 0; x < width; ++x, row += 2) {
                if (row[1] != 255)
                    return std::nullopt;
                out[x] = qRgb(row[0], row[0], row[0]);
            }
            break;
        default:
            for (int x = 0; x < width; ++x, row += 4) {
                if (row[3] != 255)
                    return std::nullopt;
                out[x] = qRgb(row[0], row[1], row[2]);
            }
            break;
        }
    }
    return picture;
}
