#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <optional>

class CanvasTool;
class PaintSettings;
class Project;
class QCursor;
class QString;
class StrokeRenderer;

// What a canvas tool may ask of the view it works in: the document and the
// paint settings, where the pointer is and what is held, and the few ways
// it shows its work (repaints, a preview, the cursor) and reports it (a
// finished edit, a changed selection, a passing note). The drawing widget
// implements it; a tool never sees the widget itself.
class ToolEnvironment
{
public:
    virtual ~ToolEnvironment() = default;

    virtual Project &project() const = 0;
    virtual PaintSettings &paintSettings() const = 0;
    // The paint pipeline with its nib mask and coverage buffers, sized to the document.
    virtual StrokeRenderer &strokeRenderer() = 0;

    // The canvas pixel under a widget point (floored; may lie outside the canvas).
    virtual QPoint canvasPixelAt(QPointF widgetPosition) const = 0;
    virtual QPoint hoverPixel() const = 0;
    virtual bool isHoverValid() const = 0;
    virtual bool isShiftHeld() const = 0;
    virtual bool isCtrlHeld() const = 0;
    virtual bool isAltHeld() const = 0;
    // C held: previews show what the right button would paint.
    virtual bool isSwapPreview() const = 0;
    virtual bool isTabletActive() const = 0;
    virtual double tabletPressure() const = 0;
    // A pan, a rotation drag, Space or R is under way.
    virtual bool isGestureUnderWay() const = 0;
    virtual bool penStrokeInProgress() const = 0;
    virtual bool dragInProgress() const = 0;
    virtual bool isActiveTool(const CanvasTool *tool) const = 0;
    // The view's own rectangle in widget pixels.
    virtual QRect viewRect() const = 0;

    // Re-renders part of the artwork after an edit and repaints it.
    virtual void refreshImageRegion(const QRect &canvasRect) = 0;
    virtual void repaintCanvasRect(const QRect &canvasRect) = 0;
    virtual void repaintView() = 0;
    virtual void repaintViewRect(const QRect &widgetRect) = 0;
    // Moves the tool preview: repaints the old and the new rectangle.
    virtual void setPreviewRect(const QRect &canvasRect) = 0;
    virtual void refreshPreviews() = 0;
    virtual void refreshCursor() = 0;
    virtual void showToolCursor(const QCursor &cursor) = 0;
    virtual void beginPan(QPointF widgetPosition) = 0;

    // The pending Shift-line connect point left by the last stroke.
    virtual std::optional<QPoint> connectPoint() const = 0;
    virtual void setConnectPoint(std::optional<QPoint> point) = 0;

    virtual void reportHistoryChanged() = 0;
    virtual void reportSelectionChanged() = 0;
    // A passing note for the status bar (why a stroke left pixels out).
    virtual void reportNote(const QString &text) = 0;
};
