#include "filltool.h"

#include "artworkimage.h"
#include "toolcursors.h"
#include "toolenvironment.h"

#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/paintsettings.h"
#include "paint/penstroke.h"

#include <QPainter>
#include <cmath>

FillTool::FillTool(ToolEnvironment *environment)
    : CanvasTool(environment), m_fill(environment->strokeRenderer())
{
}

void FillTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void FillTool::deactivate()
{
    setActiveFlag(false);
    setPressedButton(Qt::NoButton);
    clearPreview();
    refreshCursor();
    refreshPreviews();
}

QCursor FillTool::cursor() const
{
    return ToolCursors::cursor(ToolCursors::Fill);
}

FillSettings FillTool::fillSettings() const
{
    const PaintSettings &c = settings();
    const ViewTransform &v = view();
    FillSettings s;
    s.brush = c.brushSettings();
    s.texture = c.texture();
    s.textureMode = c.textureMode();
    s.placement = c.contourPlacement();
    s.transforms = c.symmetry().fillTransforms(int(std::lround(v.pixelWidth())), v.displayAspect());
    return s;
}

bool FillTool::acceptsPress(const ToolEvent &event)
{
    return (event.button == Qt::LeftButton || event.button == Qt::RightButton) &&
           !env()->penStrokeInProgress();
}

void FillTool::pressed(const ToolEvent &event)
{
    const bool right = event.button == Qt::RightButton;
    const StrokeColors colors = penColors(penIndex(), secondaryIndex(), right);
    const FillCommit commit = m_fill.apply(project(), fillSettings(), event.pixel,
                                           event.modifiers & Qt::ControlModifier, colors);
    clearPreview();
    env()->refreshImageRegion(commit.changed);
    if (commit.recorded)
        emitHistoryChanged();
}

bool FillTool::previewAllowed() const
{
    const ToolEnvironment *c = env();
    if (!c->isActiveTool(this) || !c->isHoverValid() || c->isGestureUnderWay() ||
        c->penStrokeInProgress())
        return false;
    // With the preview switched off, a contour still shows what it would draw.
    return settings().fillPreviewEnabled() || FloodFill::isContour(project(), c->isCtrlHeld());
}

void FillTool::clearPreview()
{
    m_previewArea = QRect();
    m_previewImage = QImage();
}

QRect FillTool::updatePreview()
{
    clearPreview();
    if (!previewAllowed())
        return QRect();
    const ToolEnvironment *c = env();
    const Project &p = project();
    // C held shows what the right button would paint.
    const StrokeColors colors = penColors(penIndex(), secondaryIndex(), c->isSwapPreview());
    Colormap copy = p.colormap();
    const QRect area =
        m_fill.renderPreview(p, copy, fillSettings(), c->hoverPixel(), c->isCtrlHeld(), colors);
    if (!area.isEmpty()) {
        m_previewArea = area;
        m_previewImage = artworkImage(copy.copy(area), p.paletteVariant(),
                                      std::max(1, int(std::lround(view().pixelWidth()))));
    }
    return m_previewArea;
}

void FillTool::paintPreview(QPainter &painter)
{
    if (m_previewArea.isEmpty() || m_previewImage.isNull())
        return;
    painter.drawImage(QRectF(m_previewArea), m_previewImage);
}
