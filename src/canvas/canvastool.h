#pragma once

#include <QCursor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <Qt>

class PaintSettings;
enum class SymmetryMode : qint32;
class ToolEnvironment;
class Project;
class ViewTransform;
struct HistoryNode;
class QKeyEvent;
class QMouseEvent;
class QPainter;

// What a tool's press, drag, release and click hooks are told.
struct ToolEvent {
    QPoint pixel;     // canvas pixel under the pointer (floored)
    QPointF position; // widget position
    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers modifiers;
    bool moved = false; // the pointer has left the press pixel during this press
};

// A canvas tool. The view owns one of each and routes pointer and key input
// to the active one; the tool reaches the view only through its
// ToolEnvironment. The default mouse handlers turn a press, moves
// and a release into acceptsPress/pressed/dragged/released/clicked, so a
// simple tool only fills in those.
class CanvasTool
{
public:
    explicit CanvasTool(ToolEnvironment *environment);
    virtual ~CanvasTool();
    CanvasTool(const CanvasTool &) = delete;
    CanvasTool &operator=(const CanvasTool &) = delete;

    virtual void activate();
    virtual void deactivate();
    virtual bool mousePressEvent(QMouseEvent *event);
    virtual bool mouseMoveEvent(QMouseEvent *event);
    virtual bool mouseReleaseEvent(QMouseEvent *event);
    virtual bool keyPressEvent(QKeyEvent *event);
    virtual bool keyReleaseEvent(QKeyEvent *event);
    virtual QCursor cursor() const;
    // Drawn in canvas coordinates right after the artwork.
    virtual void paintPreview(QPainter &painter);
    // Drawn in canvas coordinates after every other overlay.
    virtual void paintOverlay(QPainter &painter);
    // The tool holds steps of its own that Undo should take back first.
    virtual bool hasLocalUndo() const;
    virtual bool undoLocal();
    virtual bool acceptsPress(const ToolEvent &event);
    virtual void pressed(const ToolEvent &event);
    virtual void dragged(const ToolEvent &event);
    // After a drag.
    virtual void released(const ToolEvent &event);
    // Press and release on one pixel without ever leaving it.
    virtual void clicked(const ToolEvent &event);

    bool isActive() const { return m_active; }
    // The button of the press in progress, Qt::NoButton when none. A tool that
    // overrides the mouse handlers keeps this up to date with setPressedButton
    // so the canvas can tell a gesture is under way.
    Qt::MouseButton pressedButton() const { return m_button; }
    QPoint pressPixel() const { return m_pressPixel; }
    bool hasMoved() const { return m_moved; }

protected:
    ToolEnvironment *env() const { return m_env; }
    PaintSettings &settings() const;
    Project &project() const;
    const ViewTransform &view() const;
    ToolEvent toolEvent(const QMouseEvent *event) const;
    QPointF canvasPosition(QPointF widgetPosition) const;

    quint8 penIndex() const;
    quint8 secondaryIndex() const;
    SymmetryMode symmetryMode() const;
    // The eyedropper operation: reads the colour under a canvas pixel into the
    // primary (or, for the right button, the secondary) pen colour.
    void sampleColorAt(QPoint pixel, bool secondary);
    bool isTabletActive() const;
    double tabletPressure() const;

    void setActiveFlag(bool active) { m_active = active; }
    void setPressedButton(Qt::MouseButton button) { m_button = button; }
    void repaintCanvas();
    void repaintCanvasRect(const QRect &canvasRect);
    void refreshCursor();
    void refreshPreviews();
    void setCursor(const QCursor &cursor);
    // Pushes one history node and tells the window the history changed.
    void commitHistory(const HistoryNode &node);
    void emitHistoryChanged();

private:
    ToolEnvironment *m_env = nullptr;
    Qt::MouseButton m_button = Qt::NoButton;
    QPoint m_pressPixel;
    bool m_moved = false;
    bool m_active = false;
};
