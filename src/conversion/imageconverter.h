#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"
#include "document/palette.h"
#include "fittocanvas.h"
#include "rgbpicture.h"

#include <QImage>
#include <array>

class CurvesModel;

// The first three are the classic ones: no dither, half-strength error
// diffusion and a 4 x 4 threshold added to every channel. The others take the
// mode's pixel shape into account: a multicolor pixel is two screen pixels
// wide, so its matrices and error weights are laid out in screen distances.
// Refined starts from Floyd-Steinberg and then changes single pixels while
// that brings the blurred result nearer the blurred picture.
enum class DitherKind : quint8 {
    None = 0,
    ErrorDiffusion = 1,
    Ordered = 2,
    FloydSteinberg = 3,
    Atkinson = 4,
    SierraLite = 5,
    Bayer2 = 6,
    Bayer4 = 7,
    Bayer8 = 8,
    Refined = 9,
};
constexpr int DitherKindCount = 10;

// How colours are fitted to the char cells and sprites. CellColorsFirst
// chooses each unit's colours to fit its part of the picture, then dithers
// every pixel against its unit's colours only; MostUsed dithers every pixel
// against all 16 colours and then lets each unit keep its most-used ones.
enum class ConversionMethod : quint8 { CellColorsFirst = 0, MostUsed = 1 };

// What the converter needs to know of the document besides the picture.
struct ConversionOptions {
    CanvasMode mode = CanvasMode::Hires;
    LayoutSpec layout;
    DitherKind dither = DitherKind::None;
    ColorMetric distance = ColorMetric::Perceptual;
    std::array<quint8, ColorSlotCount> slotBytes = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
    PaletteVariant paletteVariant = 0;
    ConversionMethod method = ConversionMethod::CellColorsFirst;
    // Multicolor with CellColorsFirst: the Background slot is chosen for the
    // picture instead of taken from `slotBytes`.
    bool chooseBackground = false;
};

// A conversion's colormap and the slot colours it was made with (the
// Background among them when the converter chose it).
struct ConversionResult {
    Colormap colormap;
    std::array<quint8, ColorSlotCount> slotBytes{};
};

// The picture's on-screen size for a canvas: multicolor pixels are two
// image pixels wide.
QSize conversionSourceSize(CanvasMode mode, QSize canvasSize);

// The dithered picture before any colour rule: every pixel one of all 16
// colours, visited row by row from the top. Empty when the picture does not fit.
Colormap ditherToPalette(const RgbPicture &source, QSize canvasSize, const CurvesModel &curves,
                         const ConversionOptions &options);

// Turns a picture of the canvas's on-screen size into a colormap of
// `canvasSize` that keeps every colour rule, locked pixel and, on top/bottom
// border canvases, the 8-sprite budget of each border (CellColorsFirst).
// The colormap is empty when the picture does not fit.
ConversionResult convertImage(const RgbPicture &source, QSize canvasSize, const CurvesModel &curves,
                              const ConversionOptions &options);
// The colormap of convertImage.
Colormap convert(const RgbPicture &source, QSize canvasSize, const CurvesModel &curves,
                 const ConversionOptions &options);

// The same for a QImage, composed over black.
inline Colormap ditherToPalette(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                                const ConversionOptions &options)
{
    return ditherToPalette(RgbPicture::fromImage(source), canvasSize, curves, options);
}
inline ConversionResult convertImage(const QImage &source, QSize canvasSize,
                                     const CurvesModel &curves, const ConversionOptions &options)
{
    return convertImage(RgbPicture::fromImage(source), canvasSize, curves, options);
}
inline Colormap convert(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                        const ConversionOptions &options)
{
    return convertImage(source, canvasSize, curves, options).colormap;
}
