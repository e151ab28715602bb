#pragma once

#include "drawtool.h"

// The pen painting the blank colour with either button: the global
// background on a multicolor canvas, the secondary pen colour on hires.
class EraserTool : public DrawTool
{
public:
    using DrawTool::DrawTool;

    void activate() override;
    void deactivate() override;
    QCursor cursor() const override;
    quint8 strokeColor(bool right) const override;
    quint8 otherColor(bool right) const override;
};
