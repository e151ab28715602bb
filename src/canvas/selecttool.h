#pragma once

#include "stagededittool.h"

#include "paint/floatingselection.h"
#include "paint/selectiongeometry.h"
#include "paint/selectionpixels.h"

#include <QImage>
#include <QLineF>
#include <QList>
#include <QRegion>
#include <QTimer>

// The rectangle and lasso selection: keeps the selected canvas pixels,
// edits them with marquees composed with the selection before, lifts them
// into a floating selection that is dragged, nudged and flipped and then
// dropped as one edit, and cuts, copies and pastes through an internal
// colour-index clipboard. Selection changes have an undo of their own.
class SelectTool : public StagedEditTool
{
public:
    enum MarqueeKind { Off = 0, Rectangle = 1, Lasso = 2 };
    enum State { Idle = 0, Marquee = 1, PressedInside = 2, DraggingFloat = 3, FloatPlaced = 4 };

    explicit SelectTool(ToolEnvironment *environment);

    int marqueeKind() const { return m_kind; }
    // A new kind cancels a marquee drag and drops the float.
    void setMarqueeKind(int kind);
    State state() const { return m_state; }
    // A marquee, a press or a float drag is under way.
    bool isDragging() const { return m_state >= Marquee && m_state <= DraggingFloat; }
    const QRegion &selection() const { return m_selection; }
    bool hasFloat() const { return m_state == DraggingFloat || m_state == FloatPlaced; }
    bool isClipboardEmpty() const { return m_clipboard.isEmpty(); }
    const FloatingSelection &floatingSelection() const { return m_float; }
    bool antsPhase() const { return m_antsPhase; }

    void selectAll();
    void deselect();
    void invertSelection();
    void flipSelection(Qt::Orientation orientation);
    void copy();
    void cut();
    void paste(bool transparent);
    // Drops the float into the document (one DropSelection edit).
    void dropFloat();
    // Throws the float away; the selection returns to what it was before.
    void discardFloat();
    void commitStaged() override { dropFloat(); }
    void discardStaged() override { discardFloat(); }
    // A new or opened document: no selection, no float.
    void reset();
    // Ctrl pressed or released: a rectangle drag on a rotated view switches
    // between the canvas and the screen axes.
    void modifiersChanged(Qt::KeyboardModifiers modifiers);
    // Re-renders the float preview (the palette or the artwork changed).
    void refreshFloatPreview();
    // The marching ants and the lasso guide, drawn in widget coordinates.
    void paintAnts(QPainter &painter) const;

    void activate() override;
    void deactivate() override;
    bool mousePressEvent(QMouseEvent *event) override;
    bool keyPressEvent(QKeyEvent *event) override;
    QCursor cursor() const override;
    void paintPreview(QPainter &painter) override;
    bool hasLocalUndo() const override;
    bool undoLocal() override;
    bool acceptsPress(const ToolEvent &event) override;
    void pressed(const ToolEvent &event) override;
    void dragged(const ToolEvent &event) override;
    void released(const ToolEvent &event) override { finishPress(event); }
    void clicked(const ToolEvent &event) override { finishPress(event); }

private:
    void finishPress(const ToolEvent &event);
    // Sets the selection; `record` pushes the old one onto the selection
    // history when it differs.
    void setSelection(const QRegion &region, bool record);
    void selectionUpdated();
    QRegion marqueeRegion(QPoint pointerPixel, QPointF pointerWidget, bool ctrl) const;
    void updateMarquee(bool ctrl);
    bool lift(bool transparent);
    void floatMoved();
    void clearFloat();
    void endPress();
    quint8 blankColor() const;
    bool editBlocked() const;
    QRect antsWidgetRect() const;

    int m_kind = Off;
    State m_state = Idle;
    QRegion m_selection;
    SelectionCompose m_compose = SelectionCompose::Replace;
    QRegion m_base;
    QPoint m_pressPixel;
    QPointF m_pressPosition;
    QPoint m_lastPixel;
    QPointF m_lastWidget;
    bool m_pressCtrl = false;
    QList<QPoint> m_lasso;
    QList<QRegion> m_history;
    SelectionPixels m_clipboard;
    FloatingSelection m_float;
    QImage m_previewImage;
    QRect m_previewArea;
    bool m_antsPhase = false;
    QList<QLineF> m_antsOutline;
    QTimer m_antsTimer;
};
