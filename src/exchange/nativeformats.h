#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"
#include "document/palette.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <array>

// A picture as one of the classic C64 paint programs stored it: VIC bitmap,
// screen RAM and colour RAM of one 320 x 200 screen.
struct NativeImage {
    int format = 0; // 1 to 9, see NativeFormats
    QByteArray bitmap = QByteArray(8000, '\0');
    QByteArray screenRam = QByteArray(1000, '\0');
    QByteArray colorRam = QByteArray(1000, '\0'); // zeros when the format has none
    quint8 background = 0;
    quint8 border = 0;
    bool hasBorder = false;
};

// The nine paint-program file formats the editor reads, recognised by load
// address and size, and the two it writes (Art Studio, Koala Painter).
class NativeFormats
{
    Q_DECLARE_TR_FUNCTIONS(NativeFormats)

public:
    static constexpr int FormatCount = 9;

    // `forcedFormat` 0 recognises the format from the file itself.
    static bool recognizeAndDecode(const QByteArray &bytes, int forcedFormat, NativeImage &image,
                                   QString &error);
    static QString formatName(int format);
    static CanvasMode formatMode(int format);
    // 320 x 200 hires or 160 x 200 multicolor colour indices.
    static Colormap decodeToColormap(const NativeImage &image);
    // 320 x 200 through the palette; multicolor pixels doubled, unsmoothed.
    static QImage previewImage(const NativeImage &image, PaletteVariant palette);
    // Bitmap (8000), screen RAM (1000) and colour RAM (1000) of the screen
    // whose top-left is rect's; cells beyond rect's right edge come out in
    // the border colour with no pixels set.
    static QByteArray encodeScreen(const Colormap &colormap, CanvasMode mode, const QRect &rect,
                                   const std::array<quint8, ColorSlotCount> &slotValues);
    // Screen `screen` of a bitmap canvas as an Art Studio (hires) or Koala
    // Painter (multicolor) file; empty when the canvas has no such screen.
    static QByteArray writeNative(const Colormap &colormap, CanvasMode mode, int screen,
                                  const std::array<quint8, ColorSlotCount> &slotValues);
};
