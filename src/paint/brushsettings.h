#pragma once

#include <QtGlobal>

// The nib shape; the value is stored in settings.
enum class BrushShape : qint32 { Round = 0, Square = 1 };

// The brush shared by every painting tool. Width is in display (hires)
// pixels, so a multicolor nib of width 8 spans 4 colormap pixels.
struct BrushSettings {
    static constexpr int MinWidth = 1;
    // A contour's nib is 2 x 32 + 1 wide; the menu stops at 32.
    static constexpr int MaxWidth = 65;
    static constexpr int MaxMenuWidth = 32;

    qint32 width = 1;
    BrushShape shape = BrushShape::Round;
    bool pixelPerfect = false;
    bool antialiased = false;

    void setWidth(int w) { width = qBound(MinWidth, w, MaxWidth); }

    friend bool operator==(const BrushSettings &, const BrushSettings &) = default;
};

// The nib width a stroke paints with: a tablet stroke with pressure widening
// on grows by 16 x pressure², so a full press on width 32 paints 48.
int effectiveBrushWidth(int storedWidth, bool tabletStroke, bool pressureWidening, double pressure);

// Where the nib's centre sits within a colormap pixel, in colormap pixels:
// on the pixel centre (0.5) when the nib spans an odd number of canvas pixels
// along that axis, on the pixel corner (0) when it spans an even number.
struct NibOffset {
    double x = 0.5;
    double y = 0.5;
};
NibOffset nibCentringOffset(int width, double pixelWidth, double displayAspect);
