#pragma once

#include "antialiascoverage.h"
#include "antialiasmixtable.h"
#include "brushsettings.h"
#include "symmetry.h"
#include "texture.h"

#include "rules/clashcontext.h"
#include "rules/spritebudget.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class Colormap;
class Project;

// The two colours of a paint, latched when a stroke starts: the stroke
// colour, and the other colour that a two-colour texture's clear bits take.
struct StrokeColors {
    quint8 stroke = 1;
    quint8 other = 0;
    friend bool operator==(const StrokeColors &, const StrokeColors &) = default;
};

// The nib one sweep paints: its width and shape, and the frame it is turned
// in (degrees; a mirrored copy flips the frame first). Width 1 is always an
// upright round nib.
struct NibSweep {
    int width = 1;
    BrushShape shape = BrushShape::Round;
    bool mirrored = false;
    double angle = 0.0;
};

// Everything one segment paint reads besides the document.
struct PaintParams {
    // The brush with the effective width already applied.
    BrushSettings brush;
    Texture texture;
    TextureMode textureMode = TextureMode::Stencil;
    // Degrees: the view rotation, or 0 while Ctrl makes the nib follow the
    // canvas axes.
    double nibAngle = 0.0;
    // The symmetry copies, identity first; empty paints the identity only.
    QList<SymmetryTransform> transforms;
};

// The first pixel a paint had to leave out for a reason the artist can act
// on: a locked pixel, a colour a border sprite cannot take, or a ninth
// sprite in a border that already shows eight.
struct PaintRefusal {
    enum Reason { LockedPixel, SpriteColor, SpriteBudget };
    Reason reason = LockedPixel;
    QPoint pixel;
    quint8 color = 0;

    // Says why, in the artist's terms: which unit and what it can take.
    QString explain(const Project &project) const;
};

// One edit's target: the document's own colormap for a real edit, or a copy
// for a preview. It carries the sprite budget of the edit (under Enforce on a
// top/bottom-borders canvas) and the coverage buffer anti-aliasing blends
// against, and collects what the edit changed.
class PaintPass
{
public:
    PaintPass(const Project &project, Colormap &target, AntialiasCoverage *coverage);
    PaintPass(const PaintPass &) = delete;
    PaintPass &operator=(const PaintPass &) = delete;

    const Project &project() const { return m_project; }
    Colormap &target() { return m_target; }
    AntialiasCoverage *coverage() const { return m_coverage; }
    SpriteBudgetState *budget() { return m_budget ? &*m_budget : nullptr; }
    // The union of all pixels this pass changed, clash repairs included.
    QRect changed() const { return m_changed; }
    // The union of the nib footprints painted, every symmetry copy included.
    QRect footprint() const { return m_footprint; }
    // The first pixel this pass had to leave out, if any.
    const std::optional<PaintRefusal> &refusal() const { return m_refusal; }

private:
    friend class StrokeRenderer;

    const Project &m_project;
    Colormap &m_target;
    AntialiasCoverage *m_coverage = nullptr;
    ClashContext m_context;
    std::optional<SpriteBudgetState> m_budget;
    QRect m_changed;
    QRect m_footprint;
    std::optional<PaintRefusal> m_refusal;
};

// The shared paint pipeline: rasterises a nib swept along a segment into a
// mask in display units, once per symmetry copy, and paints the mask into a
// colormap under the texture, the locked pixels, the sprite budget and the
// stroke-time clash resolution. Strokes, contours and shape outlines all
// paint through it, for the live preview and the real edit alike.
class StrokeRenderer
{
public:
    // Sizes the nib mask and the coverage buffers to the project's canvas at
    // display resolution. Call again after a new or opened document.
    void prepare(const Project &project);

    // A pass over the document itself; clears the real coverage buffer.
    PaintPass beginEdit(Project &project);
    // A pass over a copy of the colormap for a preview; clears the preview
    // coverage buffer over what the last preview touched.
    PaintPass beginPreview(const Project &project, Colormap &copy);

    // Paints the nib from `from` to `to` (colormap pixels) once per copy.
    // Returns the changed rectangle.
    QRect paintSegment(PaintPass &pass, const PaintParams &params, QPoint from, QPoint to,
                       StrokeColors colors);
    // Paints the nib mask's covered pixels inside `bounds`; returns the
    // changed rectangle. `coverage` non-null means anti-aliased mask bytes.
    QRect paintMask(PaintPass &pass, const QRect &bounds, StrokeColors colors, bool singlePixel,
                    const Texture &texture, TextureMode mode, AntialiasCoverage *coverage)
    {
        return paintMask(pass, m_mask, bounds, colors, singlePixel, texture, mode, coverage);
    }
    // The same with a mask of the caller's (a contour's or a shape's): an
    // Alpha8 image of the canvas at display resolution, round(pixelWidth)
    // bytes per colormap pixel. A mask of another size paints nothing.
    QRect paintMask(PaintPass &pass, const QImage &mask, const QRect &bounds, StrokeColors colors,
                    bool singlePixel, const Texture &texture, TextureMode mode,
                    AntialiasCoverage *coverage);
    // The size such a mask must have for the project.
    static QSize maskSize(const Project &project);
    // Zeroes a mask over the colormap pixels of `rect` (`pixelWidth` bytes each).
    static void clearMask(QImage &mask, const QRect &rect, int pixelWidth);

    // Rasterises one copy of a segment into the mask (cleared over the
    // footprint first); returns the footprint, clipped to the canvas. Empty
    // when the mask does not match the canvas.
    QRect rasterize(const Project &project, const PaintParams &params,
                    const SymmetryTransform &copy, QPoint from, QPoint to, bool antialiased);

    // Sweeps the nib from p0 to p1 (colormap coordinates, centring offsets
    // included) into the mask, cleared over the footprint first, together
    // with the one-pixel pen's line from pixel a to pixel b (the pixels p0
    // and p1 belong to), and joins the footprint into one 8-connected set
    // around that line. Returns the footprint, clipped to the canvas.
    QRect sweep(const Project &project, const NibSweep &nib, QPointF p0, QPointF p1, QPoint a,
                QPoint b, bool antialiased);

    // The area a preview of this segment may change: every copy's footprint
    // grown to the cells and sprites the clash rules may repaint.
    QRect previewArea(const Project &project, const PaintParams &params, QPoint from,
                      QPoint to) const;
    // A footprint grown to the units it touches.
    static QRect unitArea(const Project &project, const QRect &footprint);

    // The nib's bounding box for a segment between two (mapped) pixels.
    static QRect footprintRect(const Project &project, int width, BrushShape shape, QPoint a,
                               QPoint b);

    const QImage &mask() const { return m_mask; }
    AntialiasCoverage &realCoverage() { return m_realCoverage; }
    AntialiasCoverage &previewCoverage() { return m_previewCoverage; }
    const AntialiasMixTable &mixTable() const { return m_mixTable; }

private:
    QImage m_mask;
    AntialiasCoverage m_realCoverage;
    AntialiasCoverage m_previewCoverage;
    AntialiasMixTable m_mixTable;
    // Per-row runs of the footprint being joined.
    std::vector<int> m_rowLo;
    std::vector<int> m_rowHi;
};

// Whether a paint of this width and brush on this project blends its edges.
bool paintIsAntialiased(const Project &project, const BrushSettings &brush);
