#pragma once

// A document with the renderers on it, driven the way the canvas tools
// drive them: pen strokes and clicks, single segments of a nib, and staged
// shapes.

#include "pixelsets.h"

#include "paint/penstroke.h"
#include "paint/shaperenderer.h"
#include "paint/strokerenderer.h"

#include "document/project.h"

#include <QStringList>

struct Desk {
    Project project;
    StrokeRenderer renderer;
    PenStroke pen{renderer};
    ShapeRenderer shapes{renderer};
    PenSettings settings;

    explicit Desk(CanvasMode mode, int width = 1, LayoutSpec layout = {})
        : project(mode, -1, -1, layout)
    {
        renderer.prepare(project);
        settings.brush.setWidth(width);
    }
    StrokeCommit stroke(const QList<QPoint> &path, StrokeColors colors = {1, 0}, PenEvent e = {})
    {
        e.pixel = path.first();
        pen.press(project, settings, e, colors, std::nullopt);
        for (QPoint p : path.mid(1)) {
            e.pixel = p;
            pen.move(project, settings, e);
        }
        return pen.release(project, settings, e);
    }
    StrokeCommit click(QPoint p, StrokeColors colors = {1, 0}) { return stroke({p}, colors); }
    // The renderer's mask of one segment of the brush in `shape`.
    QRect segment(QPoint a, QPoint b, bool aa, BrushShape shape, double nibAngle = 0.0)
    {
        PaintParams params;
        params.brush = settings.brush;
        params.brush.shape = shape;
        params.nibAngle = nibAngle;
        return renderer.rasterize(project, params, {}, a, b, aa);
    }
    QRect paint(const StagedShape &shape, const QList<SymmetryTransform> &copies = {})
    {
        PaintPass pass = renderer.beginEdit(project);
        return shapes.paint(pass, shape, copies);
    }
    quint8 at(int x, int y) const { return project.colormap().pixel(x, y); }
    // The pixels of `rect` that hold colour 1.
    Pixels painted(const QRect &rect) const
    {
        return pixelsWhere(rect, [this](int x, int y) { return at(x, y) == 1; });
    }
    // The same as rows of '#' and '.'.
    QStringList rows(const QRect &rect) const
    {
        QStringList out;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QString line;
            for (int x = rect.left(); x <= rect.right(); ++x)
                line += at(x, y) == 1 ? u'#' : u'.';
            out << line;
        }
        return out;
    }
};
