#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

// The symmetry modes; the symmetry menu passes these values.
enum class SymmetryMode : qint32 {
    None = 0,
    Horizontal = 1,
    Vertical = 2,
    Quadrant = 3,
    BiQuadrant = 4,
    Kaleidoscope = 5
};

// One copy of a symmetric paint: a 2 x 2 matrix acting on offsets from the
// axes' intersection, the angle the copy turns a square nib by (degrees),
// and whether the copy is a mirror image.
struct SymmetryTransform {
    double a = 1.0, b = 0.0, c = 0.0, d = 1.0;
    double cx = 0.0, cy = 0.0;
    double angle = 0.0;
    bool mirrored = false;

    QPointF map(QPointF p) const;
    // A canvas pixel mapped through the point (x + ox, y + oy) within it:
    // the pixel centre for fills, the nib centre for stroke end points.
    QPoint mapPixel(QPoint pixel, double ox = 0.5, double oy = 0.5) const;
    bool isIdentity() const { return a == 1.0 && b == 0.0 && c == 0.0 && d == 1.0; }
};

// The axes in half-pixel units, so an axis can sit on a pixel boundary
// (even value) or through a pixel centre (odd value).
struct SymmetryAxes {
    qint32 row = 0;    // the horizontal axis: 2 x its y
    qint32 column = 0; // the vertical axis: 2 x its x

    static SymmetryAxes centreOf(QSize canvas) { return {canvas.height(), canvas.width()}; }
    SymmetryAxes clampedTo(QSize canvas) const;
    QPointF intersection() const { return QPointF(column / 2.0, row / 2.0); }
    friend bool operator==(const SymmetryAxes &, const SymmetryAxes &) = default;
};

// The copies for one paint, the identity first. They are exact mirrors and
// rotations on the emulated display, where a pixel is pixelWidth wide and
// 1 / aspect tall.
QList<SymmetryTransform> symmetryTransforms(SymmetryMode mode, const SymmetryAxes &axes,
                                            int pixelWidth, double aspect);

// The guide lines the canvas draws over the artwork, in canvas coordinates.
struct SymmetryGuides {
    QColor color;
    QList<QLineF> lines;
};
SymmetryGuides symmetryGuides(SymmetryMode mode, const SymmetryAxes &axes, QSize canvas,
                              int pixelWidth, double aspect);

// The part of the infinite line through `point` along `direction` inside
// `rect` (slab test); a null line when it misses.
QLineF clipLineToRect(QPointF point, QPointF direction, const QRectF &rect);

// The symmetry state a canvas holds for the session: mode, axes and the two
// switches that extend it to fills and shapes. Every setter ignores an
// unchanged value and tells whether something changed.
class Symmetry
{
public:
    SymmetryMode mode() const { return m_mode; }
    bool setMode(SymmetryMode mode);
    SymmetryAxes axes() const { return m_axes; }
    // Clamps to the canvas before comparing.
    bool setAxes(SymmetryAxes axes, QSize canvas);
    bool resetAxes(QSize canvas) { return setAxes(SymmetryAxes::centreOf(canvas), canvas); }
    bool applyToFill() const { return m_applyToFill; }
    bool setApplyToFill(bool on);
    bool applyToShapes() const { return m_applyToShapes; }
    bool setApplyToShapes(bool on);

    QList<SymmetryTransform> strokeTransforms(int pixelWidth, double aspect) const;
    QList<SymmetryTransform> fillTransforms(int pixelWidth, double aspect) const;
    QList<SymmetryTransform> shapeTransforms(int pixelWidth, double aspect) const;

private:
    SymmetryMode m_mode = SymmetryMode::None;
    SymmetryAxes m_axes;
    bool m_applyToFill = false;
    bool m_applyToShapes = false;
};
