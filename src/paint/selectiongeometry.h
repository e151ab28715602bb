#pragma once

#include <QLineF>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QTransform>
#include <Qt>

// The shapes a selection is made of: marquees, lassos, their composition
// with the selection before, mirrored regions and the outline the marching
// ants follow. Regions are sets of canvas pixels.

// How a new marquee joins the selection before it, from the modifiers held
// at the press.
enum class SelectionCompose : qint32 { Replace = 0, Add = 1, Subtract = 2, Intersect = 3 };

// Shift adds, Alt subtracts, both intersect, neither replaces.
SelectionCompose composeModeFor(Qt::KeyboardModifiers modifiers);
QRegion composeSelection(const QRegion &base, const QRegion &marquee, SelectionCompose mode);

// The canvas-aligned rectangle between two pixels, both included, clipped.
QRegion rectangleMarquee(QPoint a, QPoint b, const QRect &canvas);
// The rectangle that follows the screen axes on a rotated view: from the
// press (an unfloored canvas position) to the pointer (a widget position),
// as the quadrilateral through the four corner pixels, clipped.
QRegion screenMarquee(QPointF pressCanvas, QPointF pointerWidget,
                      const QTransform &widgetFromCanvas, const QRect &canvas);

// The pixels of the straight line from a to b, a and b included.
QList<QPoint> linePixels(QPoint a, QPoint b);
// The closed lasso through the points: the winding interior of the polygon
// (three points or more) and every pixel of its edges, the closing edge
// included. No points give an empty region.
QRegion lassoRegion(const QList<QPoint> &points);

// The region mirrored inside its own bounding rectangle.
QRegion mirrorRegion(const QRegion &region, Qt::Orientation orientation);

// The boundary between selected and unselected pixels as line segments in
// canvas coordinates (pixel edges), merged into runs along each axis.
QList<QLineF> regionOutline(const QRegion &region);
// Where the 4-on 4-off dash pattern starts on a segment drawn in widget
// coordinates, so that the dashes line up across segments; the phase moves
// them by half a period.
qreal antsDashOffset(const QLineF &segment, bool phase);

// Where a pasted float goes: nowhere (zero) while its bounding rectangle is
// in view, else to the view centre on the same char-cell phase.
QPoint pasteOffset(const QRect &bounds, const QTransform &widgetFromCanvas, const QRect &widgetRect,
                   QSize cell);
