#pragma once

#include "pixelperfectfilter.h"
#include "strokerenderer.h"

#include "document/colormap.h"

#include <QPoint>
#include <QRect>
#include <optional>

class History;
class Project;

// The pen's colours for a button: the secondary index for the right
// button, else the primary, with the opposite one as the other colour.
StrokeColors penColors(quint8 primary, quint8 secondary, bool right);
// The eraser paints the blank colour with either button: the global
// background on a multicolor canvas, the secondary index on hires.
StrokeColors eraserColors(const Project &project, quint8 secondary);
// Where a Shift connecting line starts: the canvas's pending point while
// there is one, else the end of the last stroke in the history (up to the
// last edit that breaks the connection).
std::optional<QPoint> connectPointFor(std::optional<QPoint> pending, const History &history);

// What the pen reads from the canvas for every paint.
struct PenSettings {
    // The stored brush; the pen applies pressure widening itself.
    BrushSettings brush;
    Texture texture;
    TextureMode textureMode = TextureMode::Stencil;
    bool pressureWidening = true;
    // Degrees; the nib stays upright on screen unless Ctrl is held.
    double viewRotation = 0.0;
    // The stroke copies of the symmetry mode, identity first.
    QList<SymmetryTransform> transforms;
};

// One pointer event in canvas terms.
struct PenEvent {
    QPoint pixel;
    // The event comes from a tablet; pressure is 0..1.
    bool tablet = false;
    double pressure = 0.0;
    bool shift = false;
    bool ctrl = false;
};

// What a finished stroke leaves behind.
struct StrokeCommit {
    // Every pixel the stroke changed (empty when it changed none).
    QRect changed;
    // What the release itself painted; the moves have shown the rest.
    QRect releasePainted;
    // Where the stroke ended: the canvas's next connect point.
    QPoint endPoint;
    // Whether one Stroke node was pushed onto the history.
    bool recorded = false;
};

// The pen's stroke from press to release, independent of widgets: the
// canvas tool feeds it canvas pixels, pressure and modifiers, re-renders
// the rectangles it returns, and on release gets one history node. Alt
// sampling stays with the tool (it changes the canvas's pen colours).
//
//   press:   pen.press(project, settings, event, colors,
//                      connectPointFor(pending, project.history()));
//   move:    artwork re-render of pen.move(project, settings, event);
//   release: StrokeCommit c = pen.release(project, settings, event);
//            pending = c.endPoint; if (c.recorded) pending.reset();
//   preview: Colormap copy = project.colormap();
//            QRect area = pen.renderPreview(project, copy, settings, event,
//                                           idleColors, connectPoint);
class PenStroke
{
public:
    explicit PenStroke(StrokeRenderer &renderer) : m_renderer(renderer) {}

    bool isStroking() const { return m_stroking; }
    bool isConnecting() const { return m_connecting; }
    bool isPixelPerfect() const { return m_pixelPerfect; }
    bool isTabletStroke() const { return m_tabletStroke; }
    StrokeColors colors() const { return m_colors; }
    QPoint lastPixel() const { return m_lastPixel; }
    const PixelPerfectFilter &filter() const { return m_filter; }
    // The union of everything this stroke changed so far.
    QRect changed() const { return m_changed; }
    // The first pixel this stroke (or the last one) had to leave out.
    const std::optional<PaintRefusal> &refusal() const { return m_refusal; }

    // Starts a stroke; paints nothing. `connectPoint` is where a Shift line
    // would start (the canvas's pending point, else the history's).
    void press(Project &project, const PenSettings &settings, const PenEvent &event,
               StrokeColors colors, std::optional<QPoint> connectPoint);
    // Paints along the pointer; returns what changed.
    QRect move(Project &project, const PenSettings &settings, const PenEvent &event);
    // Paints the rest of the stroke, records it as one Stroke node and ends it.
    StrokeCommit release(Project &project, const PenSettings &settings, const PenEvent &event);
    // Forgets a stroke in progress without recording it (new document).
    void reset();

    // The brush a paint uses now: pressure widening applied for tablet
    // strokes (or, when idle, for a pointer that is a tablet).
    PaintParams paintParams(const PenSettings &settings, const PenEvent &event) const;

    // What the preview shows for the pointer at `event`; empty for nothing.
    struct PreviewSegment {
        QPoint from;
        QPoint to;
        StrokeColors colors;
    };
    std::optional<PreviewSegment> previewSegment(const PenEvent &event, StrokeColors idleColors,
                                                 std::optional<QPoint> connectPoint) const;
    // Renders that preview into `copy` (a copy of the project's colormap)
    // through the real pipeline; returns the area to repaint (empty when
    // nothing is previewed).
    QRect renderPreview(const Project &project, Colormap &copy, const PenSettings &settings,
                        const PenEvent &event, StrokeColors idleColors,
                        std::optional<QPoint> connectPoint);

private:
    QRect paint(const PenSettings &settings, const PenEvent &event, QPoint from, QPoint to);
    StrokeCommit commit(Project &project);

    StrokeRenderer &m_renderer;
    std::optional<PaintPass> m_pass;
    Colormap m_snapshot;
    QRect m_changed;
    bool m_stroking = false;
    bool m_connecting = false;
    bool m_tabletStroke = false;
    bool m_pixelPerfect = false;
    StrokeColors m_colors;
    QPoint m_lastPixel;
    QPoint m_connectFrom;
    PixelPerfectFilter m_filter;
    std::optional<PaintRefusal> m_refusal;
};
