#pragma once

#include "brushsettings.h"
#include "texture.h"

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QTransform>
#include <array>

// The shape kinds; the shape menu passes these values.
enum class ShapeKind : qint32 { Line = 0, Rectangle = 1, Circle = 2, Star = 3, Path = 4 };

// One shape on the shape tool's stage. Geometry is in display units (x in
// hires pixels, y in canvas rows divided by the display aspect), so squares
// and circles are true on the emulated display. The paint properties are
// latched when the shape is created.
struct StagedShape {
    static constexpr double MinInnerRatio = 0.05;
    static constexpr double MaxInnerRatio = 0.95;

    ShapeKind kind = ShapeKind::Rectangle;
    QPointF centre;
    // Signed half extents along the box's own axes, each at least 0.5 in magnitude.
    QPointF halfSize{0.5, 0.5};
    // Degrees, within [-180, 180).
    double rotation = 0.0;
    // Corner displacements made by skewing, corners in the order (-,-),
    // (+,-), (+,+), (-,+) of the half-size signs; all zero for a plain box.
    std::array<QPointF, 4> cornerOffsets{};
    double innerRatio = 0.382;
    double cornerRadius = 0.0;
    // A line's two end points or a path's points, relative to the centre,
    // and the half size they were captured at.
    QList<QPointF> points;
    QPointF capturedHalfSize{0.5, 0.5};
    quint8 strokeColor = 1;
    quint8 otherColor = 0;
    bool filled = false;
    qint32 width = 1;
    BrushShape nib = BrushShape::Round;
    Texture texture;
    TextureMode textureMode = TextureMode::Stencil;
    bool antialiased = false;

    // The half-size signs of corner i: (-,-), (+,-), (+,+), (-,+).
    static QPointF cornerSign(int i);
    // The corner in the shape's own frame, before its skew.
    QPointF localCorner(int i) const;

    bool isSkewed() const;
    // Only rectangles, circles and stars have an inside.
    bool paintsFilled() const;
    bool isClosed() const { return kind != ShapeKind::Line && kind != ShapeKind::Path; }
    double clampedInnerRatio() const;

    // The shape's own frame (origin at the centre, axes along the box) to
    // display units: the skew, then the rotation, then the move to the centre.
    QTransform transform() const;
    // The box corners in display units, in corner order.
    std::array<QPointF, 4> corners() const;
    // The outline in the shape's own frame, before skew and rotation.
    QPolygonF localOutline() const;
    // The outline in display units.
    QPolygonF outline() const;

    friend bool operator==(const StagedShape &, const StagedShape &) = default;
};

// The distance from p to the segment ab; with `chebyshev` the larger of the
// two axis distances (a square nib's reach).
double segmentDistance(QPointF p, QPointF a, QPointF b, bool chebyshev = false);

// Normalises degrees into [-180, 180).
double normalizedDegrees(double degrees);
