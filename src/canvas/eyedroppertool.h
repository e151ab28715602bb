#pragma once

#include "canvastool.h"

// Picks the pen colours from the artwork: left for the primary, right for
// the secondary; dragging keeps sampling.
class EyedropperTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;

    void activate() override;
    void deactivate() override;
    QCursor cursor() const override;
    bool acceptsPress(const ToolEvent &event) override;
    void pressed(const ToolEvent &event) override;
    void dragged(const ToolEvent &event) override;

    bool isSampling() const { return pressedButton() != Qt::NoButton; }

private:
    void sample(const ToolEvent &event);
};
