#pragma once

#include "strokerenderer.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>

class Colormap;
class Project;

// Where a contour's band lies against the edge of the clicked area; the
// placement menu passes these values.
enum class ContourPlacement : qint32 { Center = 0, Outside = 1, Inside = 2 };

// Marks the 4-connected area of the start pixel's colour into `mask` (an
// Alpha8 image of StrokeRenderer::maskSize; the first byte of a pixel marks
// it), skipping locked pixels, and returns its bounding rectangle. Empty for
// a start outside the canvas or on a locked pixel, or a mask of another size.
QRect searchRegion(const Project &project, const Colormap &colormap, QPoint start, QImage &mask);

// What a fill or contour reads from the canvas.
struct FillSettings {
    BrushSettings brush;
    Texture texture;
    TextureMode textureMode = TextureMode::Stencil;
    ContourPlacement placement = ContourPlacement::Center;
    // The fill copies of the symmetry mode, identity first; empty means the
    // identity alone.
    QList<SymmetryTransform> transforms;
};

// What one click left behind.
struct FillCommit {
    QRect changed;
    bool recorded = false;
};

// The flood fill and the contour, independent of widgets: one click floods
// the area under it (or, as a contour, paints a band of the brush's width
// along its edge) once per symmetry copy through the shared paint pipeline,
// and becomes one Fill entry in the history.
class FloodFill
{
public:
    explicit FloodFill(StrokeRenderer &renderer) : m_renderer(renderer) {}

    // Ctrl turns a click into a contour on multicolor canvases only.
    static bool isContour(const Project &project, bool ctrl);

    // Applies one click to the document and records it.
    FillCommit apply(Project &project, const FillSettings &settings, QPoint pixel, bool ctrl,
                     StrokeColors colors);
    // Renders what that click would do into `copy` (a copy of the project's
    // colormap); returns the area to repaint, empty when nothing is affected.
    QRect renderPreview(const Project &project, Colormap &copy, const FillSettings &settings,
                        QPoint pixel, bool ctrl, StrokeColors colors);

    // One copy's fill or contour from an already mapped start pixel: the
    // area is found in `source` (the canvas before the click) and painted
    // into the pass. Returns the changed rectangle; `affected` receives the
    // flooded area or the band, empty when this copy does nothing.
    QRect fillFrom(PaintPass &pass, const Colormap &source, const FillSettings &settings,
                   QPoint start, StrokeColors colors, QRect *affected = nullptr);
    QRect contourFrom(PaintPass &pass, const Colormap &source, const FillSettings &settings,
                      QPoint start, StrokeColors colors, QRect *affected = nullptr);
    // Builds a contour's band mask for the area under `start` of `colormap`;
    // returns its bounding rectangle after trimming.
    QRect buildBand(const Project &project, const Colormap &colormap, QPoint start,
                    const BrushSettings &brush, ContourPlacement placement, bool antialiased);

    const QImage &regionMask() const { return m_region; }
    const QImage &bandMask() const { return m_band; }

private:
    QRect paintCopies(PaintPass &pass, const FillSettings &settings, QPoint pixel, bool contour,
                      StrokeColors colors, QRect *area);
    void ensureMasks(const Project &project);
    void stampDabs(const Project &project, const PaintParams &params, const QList<QPoint> &edges,
                   bool antialiased);

    StrokeRenderer &m_renderer;
    QImage m_region;
    QImage m_band;
};
