#pragma once

#include "canvastool.h"
#include "paint/symmetry.h"

// Move Axes: drags the symmetry axes. A drag near an axis moves that axis;
// in the diagonal modes a drag anywhere moves the intersection.
class SymmetryTool : public CanvasTool
{
public:
    enum class Hit { None, Horizontal, Vertical, Both };
    static constexpr double GrabDistance = 6.0;

    using CanvasTool::CanvasTool;

    void activate() override;
    void deactivate() override;
    bool mouseMoveEvent(QMouseEvent *event) override;
    QCursor cursor() const override;
    bool acceptsPress(const ToolEvent &event) override;
    void pressed(const ToolEvent &event) override;
    void dragged(const ToolEvent &event) override;
    void released(const ToolEvent &event) override;

    // Which axes a widget point grabs in the current mode.
    Hit hitTest(QPointF widgetPosition) const;
    static QCursor cursorFor(Hit hit);

private:
    void moveAxes(const ToolEvent &event);

    Hit m_grab = Hit::None;
    QPointF m_pressCanvas;
    SymmetryAxes m_pressAxes;
};
