#pragma once

#include "canvastool.h"

#include "document/colormap.h"
#include "paint/floodfill.h"

#include <QImage>
#include <QRect>

// The flood fill: a click floods the area under it with a pen colour, or
// with Ctrl on a multicolor canvas paints a contour along its edge. A live
// preview of what the click would do follows the pointer.
class FillTool : public CanvasTool
{
public:
    explicit FillTool(ToolEnvironment *environment);

    void activate() override;
    void deactivate() override;
    QCursor cursor() const override;
    bool acceptsPress(const ToolEvent &event) override;
    void pressed(const ToolEvent &event) override;
    void paintPreview(QPainter &painter) override;

    // Renders the preview for the pointer now; returns the canvas area it
    // covers (empty when nothing is previewed).
    QRect updatePreview();
    void clearPreview();
    QRect previewArea() const { return m_previewArea; }
    const FloodFill &floodFill() const { return m_fill; }

private:
    FillSettings fillSettings() const;
    bool previewAllowed() const;

    FloodFill m_fill;
    QImage m_previewImage;
    QRect m_previewArea;
};
