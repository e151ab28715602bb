#pragma once

#include <QImage>
#include <QRect>

// The look of a composite-video television picture: red and blue shifted a
// pixel either side of green, every other scanline dimmed, and a slight blur.
// Works on 32-bit RGB images; the preview window keeps the filtered picture
// and refilters only what a stroke changed.
class CrtFilter
{
public:
    // The filtered image; null when the source is null or not 32-bit RGB.
    static QImage apply(const QImage &source);
    // Refilters `rect` of `target` (an image of the source's size) from the
    // source. Pixels outside the rectangle are left alone; inside it the
    // result equals the whole-image form.
    static void applyRegion(const QImage &source, QImage &target, const QRect &rect);
};
