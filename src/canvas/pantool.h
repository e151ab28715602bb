#pragma once

#include "canvastool.h"

// Drags the view with the left button, like the middle button anywhere.
class PanTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;

    void activate() override;
    void deactivate() override;
    QCursor cursor() const override;
    bool mousePressEvent(QMouseEvent *event) override;
};
