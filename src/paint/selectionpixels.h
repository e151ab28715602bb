#pragma once

#include "document/colormap.h"
#include "document/palette.h"

#include <QImage>
#include <QRegion>

class Project;

// Selected pixels with their colours: what the internal clipboard holds and
// what a floating selection carries. The region is in canvas coordinates,
// the colormap holds the colour indices of its bounding rectangle.
struct SelectionPixels {
    QRegion region;
    Colormap pixels;

    bool isEmpty() const { return region.isEmpty(); }
    QRect bounds() const { return region.boundingRect(); }
    // The colour index at a canvas pixel of the bounding rectangle.
    quint8 at(int x, int y) const;

    // The region clipped to the colormap, with the colours under it.
    static SelectionPixels take(const Colormap &colormap, const QRegion &region);
    // The picture for the system clipboard: the selected pixels opaque in
    // their palette colours, each `pixelWidth` image pixels wide, the rest
    // transparent.
    QImage toImage(PaletteVariant variant, int pixelWidth) const;
};

// Sets the selected pixels (locked ones excepted) to `blank`, merges the
// colours that leaves over the limits and records it as one CutSelection
// edit. Returns the changed rectangle, empty when nothing changed.
QRect cutSelection(Project &project, const QRegion &region, quint8 blank);
