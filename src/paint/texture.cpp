#include "texture.h"

#include <QtDebug>
#include <bit>

bool Texture::isSolid() const
{
    for (quint16 row : m_rows) {
        if (row != 0xFFFF)
            return false;
    }
    return true;
}

int Texture::setBitCount() const
{
    int count = 0;
    for (quint16 row : m_rows)
        count += std::popcount(row);
    return count;
}

Texture Texture::negative() const
{
    std::array<quint16, Size> rows;
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = quint16(~m_rows[y]);
    return Texture(rows);
}

QList<Texture> Texture::fromStrip(const QImage &strip)
{
    QList<Texture> tiles;
    if (strip.isNull() || strip.width() < Size || strip.height() < Size)
        return tiles;
    const QImage image = strip.convertToFormat(QImage::Format_RGB32);
    const int count = image.width() / Size;
    for (int t = 0; t < count; ++t) {
        std::array<quint16, Size> rows{};
        for (int y = 0; y < Size; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            quint16 bits = 0;
            for (int x = 0; x < Size; ++x) {
                const QRgb c = line[t * Size + x];
                if (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c) >= 4096)
                    bits |= quint16(1u << x);
            }
            rows[size_t(y)] = bits;
        }
        tiles.append(Texture(rows));
    }
    return tiles;
}

QList<Texture> Texture::fromStripFile(const QString &path)
{
    QImage image(path);
    if (image.isNull()) {
        qWarning("Texture: %s did not load", qPrintable(path));
        return {};
    }
    return fromStrip(image);
}

QString textureSheetPath(bool multicolor)
{
    // The resource file lives in a static library: make sure it is registered.
    static const bool registered = [] {
        Q_INIT_RESOURCE(textures);
        return true;
    }();
    Q_UNUSED(registered);
    return multicolor ? QStringLiteral(":/textures/multi.png")
                      : QStringLiteral(":/textures/hires.png");
}
