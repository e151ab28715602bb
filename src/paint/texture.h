#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <array>

// How the clear bits of a texture paint: Stencil leaves those pixels as
// they were, TwoColor paints them with the other pen colour.
enum class TextureMode : qint32 { TwoColor = 0, Stencil = 1 };

// A 16 x 16 paint pattern anchored to the canvas: bit x of row y (bit 0 the
// leftmost column) set means the stroke colour goes there.
class Texture
{
public:
    static constexpr int Size = 16;

    Texture() { m_rows.fill(0xFFFF); }
    explicit Texture(const std::array<quint16, Size> &rows) : m_rows(rows) {}

    static Texture solid() { return Texture(); }

    quint16 row(int y) const { return m_rows[size_t(y & 15)]; }
    const std::array<quint16, Size> &rows() const { return m_rows; }
    bool isSolid() const;
    // Whether canvas pixel (x, y) takes the stroke colour (the tile repeats).
    bool bitAt(int x, int y) const { return (m_rows[size_t(y & 15)] >> (x & 15)) & 1u; }
    int setBitCount() const;
    Texture negative() const;

    // Cuts a strip image into 16 x 16 tiles from the left. A tile pixel is a
    // set bit when 11 R + 16 G + 5 B reaches 4096 (bright), so the strips can
    // be drawn in plain black and white.
    static QList<Texture> fromStrip(const QImage &strip);
    // The strip of a resource or file; empty when it does not load.
    static QList<Texture> fromStripFile(const QString &path);

    friend bool operator==(const Texture &, const Texture &) = default;

private:
    std::array<quint16, Size> m_rows;
};

// The texture sheets compiled into the paint library.
QString textureSheetPath(bool multicolor);
