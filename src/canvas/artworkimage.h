#pragma once

#include "document/colormap.h"

#include <QImage>
#include <QRect>

// The artwork as the canvas shows it: each colormap pixel becomes
// `scale` image pixels side by side (2 for multicolor's double-wide pixels).
QImage artworkImage(const Colormap &colormap, PaletteVariant variant, int scale);
// Re-renders rect (in colormap pixels) of an image made by artworkImage.
void renderArtwork(QImage &image, const Colormap &colormap, const QRect &rect,
                   PaletteVariant variant, int scale);
