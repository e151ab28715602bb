#pragma once

#include "stagededittool.h"

#include "paint/shaperenderer.h"
#include "paint/stagedshape.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <functional>
#include <optional>

class QKeyEvent;

// Lines, rectangles, circles, stars and freehand paths that stay editable
// on a stage above the document until they are committed as one edit. The
// preview is the exact result of painting the whole stage; shapes are
// selected, moved, nudged, scaled, skewed, rotated and restyled, and the
// stage has an undo of its own.
class ShapeTool : public StagedEditTool
{
public:
    enum Gesture {
        NoGesture = 0,
        Creating = 1,
        Moving = 2,
        CornerDrag = 3,
        RotationDrag = 4,
        DiagonalDrag = 5
    };
    // Handles of a single selected shape: corners 0..3 in corner order, the
    // rotation pin, then the four diagonal handles of rectangles and stars.
    enum Handle { NoHandle = -1, FirstCorner = 0, RotationPin = 4, FirstDiagonal = 5 };
    static constexpr int HandleCount = 9;
    static constexpr double HandleReach = 8.0;
    static constexpr double PinDistance = 24.0;

    explicit ShapeTool(ToolEnvironment *environment);

    ShapeKind kind() const { return m_kind; }
    // The kind of new shapes; staged ones keep theirs.
    void setKind(ShapeKind kind) { m_kind = kind; }
    bool filled() const { return m_filled; }
    // The filled setting of new shapes, re-applied to the selected ones.
    void setFilled(bool filled);

    const QList<StagedShape> &stage() const { return m_stage; }
    int stagedCount() const { return int(m_stage.size()); }
    // Selected stage indices, ascending.
    const QList<int> &selection() const { return m_selection; }
    Gesture gesture() const { return m_gesture; }
    bool isDragging() const { return m_gesture != NoGesture; }
    // The shape being dragged out, while creating.
    const StagedShape &inProgress() const { return m_current; }
    int stageUndoDepth() const { return int(m_undo.size()); }

    // Applies a change to every selected shape, as one stage step when it
    // changes something.
    void restyleSelected(const std::function<void(StagedShape &)> &change);
    // Handle centres in widget coordinates; a handle the shape lacks (or no
    // single selection) gives nothing.
    std::optional<QPointF> handlePosition(int handle) const;
    // Display units from canvas coordinates and back.
    QPointF toDisplay(QPointF canvasPoint) const;
    QPointF fromDisplay(QPointF displayPoint) const;

    // Paints the whole stage into the document as one CommitShapes entry.
    void commitStaged() override;
    // Backs out of a gesture in progress, or else empties the stage.
    void discardStaged() override;
    // A new or opened document: an empty stage.
    void reset();
    // Re-renders the preview of the whole stage over the document.
    void updatePreview();

    void activate() override;
    void deactivate() override;
    bool keyPressEvent(QKeyEvent *event) override;
    bool keyReleaseEvent(QKeyEvent *event) override;
    QCursor cursor() const override;
    void paintPreview(QPainter &painter) override;
    void paintOverlay(QPainter &painter) override;
    bool hasLocalUndo() const override;
    bool undoLocal() override;
    bool acceptsPress(const ToolEvent &event) override;
    void pressed(const ToolEvent &event) override;
    void dragged(const ToolEvent &event) override;
    void released(const ToolEvent &event) override { finish(event); }
    void clicked(const ToolEvent &event) override { finish(event); }

private:
    struct StageStep {
        QList<StagedShape> stage;
        QList<int> selection;
    };

    QPointF displayAt(QPointF widgetPosition) const;
    QPointF widgetAt(QPointF displayPoint) const;
    double screenAngle() const;
    int hitTest(QPointF widgetPosition) const;
    StagedShape latchedShape(bool rightButton) const;
    void updateCreation(QPointF pointer, Qt::KeyboardModifiers modifiers);
    void updateDrag(QPointF pointer, Qt::KeyboardModifiers modifiers);
    void finish(const ToolEvent &event);
    // Leaves the gesture; a move or handle drag puts the stage back as it was.
    void abandonGesture();
    void pushStep();
    void stageChanged();
    bool nudge(int key, bool shift, bool repeat);

    ShapeKind m_kind = ShapeKind::Line;
    bool m_filled = true;
    QList<StagedShape> m_stage;
    QList<int> m_selection;
    StagedShape m_current;
    bool m_hasExtent = false;
    Gesture m_gesture = NoGesture;
    int m_handle = NoHandle;
    int m_grabbed = -1;
    QPointF m_pressDisplay;
    QPointF m_lastWidget;
    bool m_stepPushed = false;
    bool m_nudging = false;
    QList<QPointF> m_path;
    QList<StagedShape> m_stageAtPress;
    QList<StageStep> m_undo;
    ShapeRenderer m_renderer;
    QImage m_previewImage;
    QRect m_previewArea;
};
