#pragma once

#include <QRectF>

class Project;
class QPainter;

// The C64 screen's border around the artwork, as the canvas and the preview
// window both show it.

// The whole picture in colormap pixel edges: the border frame when the
// canvas has one, else the canvas itself. Best fit and the preview's mirror
// work on this rectangle.
QRectF framedPictureRect(const Project &project);

// Fills the border frame in its colour, with the strip backgrounds in the
// bands above and below a top/bottom-borders canvas; nothing when there is
// no frame.
// The painter maps colormap pixels.
void paintBorderFrame(QPainter &painter, const Project &project);
