#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"
#include "document/palette.h"

#include <QImage>
#include <array>

class CurvesModel;

enum class DitherKind : quint8 { None = 0, ErrorDiffusion = 1, Ordered = 2 };

// What the converter needs to know of the document besides the picture.
struct ConversionOptions {
    CanvasMode mode = CanvasMode::Hires;
    LayoutSpec layout;
    DitherKind dither = DitherKind::None;
    ColorMetric distance = ColorMetric::Weighted;
    std::array<quint8, ColorSlotCount> slotBytes = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
    PaletteVariant paletteVariant = 0;
};

// The picture's on-screen size for a canvas: multicolor pixels are two
// image pixels wide.
QSize conversionSourceSize(CanvasMode mode, QSize canvasSize);

// The dithered picture before any colour rule: every pixel one of all 16
// colours, visited row by row from the top. Empty when the picture does not fit.
Colormap ditherToPalette(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                         const ConversionOptions &options);

// Turns a picture of the canvas's on-screen size into a colormap of
// `canvasSize`: curves, then dithering against all 16 colours, then the
// locked pixels and the clash sweep. Empty when the picture does not fit.
Colormap convert(const QImage &source, QSize canvasSize, const CurvesModel &curves,
                 const ConversionOptions &options);
