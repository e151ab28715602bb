#pragma once

#include "canvastool.h"

#include "paint/penstroke.h"

#include <QImage>
#include <QRect>

// The pen: freehand strokes and Shift connecting lines through the shared
// paint pipeline, Alt-click sampling, and a live preview of the next dab or
// line rendered by that same pipeline into a copy of the colormap. Each
// finished stroke becomes one history entry.
class DrawTool : public CanvasTool
{
public:
    explicit DrawTool(ToolEnvironment *environment);
    ~DrawTool() override;

    void activate() override;
    bool mousePressEvent(QMouseEvent *event) override;
    bool mouseMoveEvent(QMouseEvent *event) override;
    bool mouseReleaseEvent(QMouseEvent *event) override;
    void paintPreview(QPainter &painter) override;

    // The colour the button paints: the secondary index for the right
    // button, else the primary.
    virtual quint8 strokeColor(bool right) const;
    // The colour a two-colour texture's clear bits take.
    virtual quint8 otherColor(bool right) const;

    bool isStroking() const { return m_stroke.isStroking(); }
    bool isSampling() const { return m_sampling; }
    const PenStroke &stroke() const { return m_stroke; }
    // Forgets a stroke or sampling in progress and the preview (new document).
    void resetStroke();
    // Renders the preview for the pointer now; returns the canvas area it
    // covers (empty when nothing is previewed).
    QRect updatePreview();
    void clearPreview();
    QRect previewArea() const { return m_previewArea; }

private:
    PenSettings penSettings() const;
    PenEvent penEvent(QPoint pixel, Qt::KeyboardModifiers modifiers) const;
    StrokeColors colorsFor(bool right) const { return {strokeColor(right), otherColor(right)}; }
    bool previewAllowed() const;
    void endStroke(const StrokeCommit &commit);
    void reportRefusal();

    PenStroke m_stroke;
    Qt::MouseButton m_strokeButton = Qt::NoButton;
    bool m_sampling = false;
    bool m_refusalReported = false;
    Qt::MouseButton m_samplingButton = Qt::NoButton;
    // The preview: the artwork of a painted copy over m_previewArea.
    Colormap m_previewMap;
    QImage m_previewImage;
    QRect m_previewArea;
};
