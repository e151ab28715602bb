#include "toolbox.h"

#include "drawtool.h"
#include "erasertool.h"
#include "eyedroppertool.h"
#include "filltool.h"
#include "pantool.h"
#include "selecttool.h"
#include "shapetool.h"
#include "symmetrytool.h"
#include "toolcursors.h"
#include "toolenvironment.h"

#include <algorithm>

ToolBox::ToolBox(ToolEnvironment *environment)
    : m_env(environment), m_panTool(std::make_unique<PanTool>(environment)),
      m_eyedropperTool(std::make_unique<EyedropperTool>(environment)),
      m_symmetryTool(std::make_unique<SymmetryTool>(environment)),
      m_eraserTool(std::make_unique<EraserTool>(environment)),
      m_fillTool(std::make_unique<FillTool>(environment)),
      m_selectTool(std::make_unique<SelectTool>(environment)),
      m_shapeTool(std::make_unique<ShapeTool>(environment)),
      m_ownedPen(std::make_unique<DrawTool>(environment))
{
    // The view sets its cursor once it holds the box.
    m_penTool = m_activeTool = m_ownedPen.get();
    m_drawTool = static_cast<DrawTool *>(m_penTool);
}

ToolBox::~ToolBox() = default;

void ToolBox::installPenTool(std::unique_ptr<CanvasTool> pen)
{
    const bool penWasActive = m_activeTool == m_penTool;
    m_ownedPen = std::move(pen);
    m_penTool = m_ownedPen.get();
    m_drawTool = dynamic_cast<DrawTool *>(m_penTool);
    if (penWasActive) {
        m_activeTool = m_penTool;
        if (m_penTool)
            m_penTool->activate();
    }
    m_env->refreshCursor();
}

bool ToolBox::penStrokeInProgress() const
{
    return (m_penTool && m_penTool->pressedButton() != Qt::NoButton) ||
           m_eraserTool->pressedButton() != Qt::NoButton;
}

bool ToolBox::toolDragInProgress() const
{
    return penStrokeInProgress() || m_selectTool->isDragging() || m_shapeTool->isDragging() ||
           (m_activeTool && m_activeTool->pressedButton() != Qt::NoButton);
}

DrawTool *ToolBox::activeDrawTool() const
{
    if (m_activeTool && m_activeTool == m_eraserTool.get())
        return m_eraserTool.get();
    if (m_activeTool && m_activeTool == m_penTool)
        return m_drawTool;
    return nullptr;
}

void ToolBox::setEraserTool(bool on)
{
    switchTool(m_eraserTool.get(), on);
}

void ToolBox::setFillTool(bool on)
{
    switchTool(m_fillTool.get(), on);
}

void ToolBox::setPanTool(bool on)
{
    switchTool(m_panTool.get(), on);
}

void ToolBox::setEyedropperTool(bool on)
{
    switchTool(m_eyedropperTool.get(), on);
}

void ToolBox::setSymmetryAxesTool(bool on)
{
    switchTool(m_symmetryTool.get(), on);
}

void ToolBox::setShapeTool(bool on)
{
    switchTool(m_shapeTool.get(), on);
}

void ToolBox::setSelectTool(int kind)
{
    kind = std::clamp(kind, 0, 2);
    m_selectTool->setMarqueeKind(kind);
    switchTool(m_selectTool.get(), kind != 0);
}

void ToolBox::settleStagedWork()
{
    m_shapeTool->commitStaged();
    m_selectTool->dropFloat();
}

void ToolBox::switchTool(CanvasTool *tool, bool on)
{
    if (!tool || tool->isActive() == on)
        return;
    // Another tool never inherits a floating selection.
    if (on && tool != m_selectTool.get())
        m_selectTool->dropFloat();
    if (on) {
        m_activeTool = tool;
        tool->activate();
        return;
    }
    tool->deactivate();
    if (m_activeTool == tool) {
        m_activeTool = m_penTool;
        if (m_penTool)
            m_penTool->activate();
        else
            m_env->refreshCursor();
    }
}

QCursor ToolBox::chosenCursor(bool altHeld) const
{
    const DrawTool *penLike = activeDrawTool();
    const bool penLikeActive = m_activeTool == m_penTool || penLike;
    if ((m_eyedropperTool->isSampling() && m_activeTool == m_eyedropperTool.get()) ||
        (altHeld && penLikeActive && !penStrokeInProgress()) || (penLike && penLike->isSampling()))
        return ToolCursors::cursor(ToolCursors::Picker);
    if (m_activeTool)
        return m_activeTool->cursor();
    return ToolCursors::cursor(ToolCursors::Pen);
}

std::optional<QRect> ToolBox::updatePreview()
{
    if (DrawTool *draw = activeDrawTool())
        return draw->updatePreview();
    if (m_activeTool == m_fillTool.get())
        return m_fillTool->updatePreview();
    return std::nullopt;
}

void ToolBox::route(bool (CanvasTool::*handler)(QMouseEvent *), QMouseEvent *event)
{
    if (m_activeTool && (m_activeTool->*handler)(event))
        return;
    if (m_penTool && m_activeTool != m_penTool && (m_penTool->*handler)(event))
        return;
    if (m_activeTool != m_eraserTool.get())
        (m_eraserTool.get()->*handler)(event);
}

void ToolBox::restyleStaged(PaintSettings::StyleField field)
{
    // A pick applies to the selected staged shapes even when the setting
    // already held it: they may carry another.
    using F = PaintSettings::StyleField;
    const PaintSettings &p = m_env->paintSettings();
    m_shapeTool->restyleSelected([&p, field](StagedShape &s) {
        switch (field) {
        case F::StrokeColor:
            s.strokeColor = p.penIndex();
            break;
        case F::OtherColor:
            s.otherColor = p.secondaryIndex();
            break;
        case F::Width:
            s.width = p.brushSettings().width;
            break;
        case F::Nib:
            s.nib = p.brushSettings().shape;
            break;
        case F::Antialiased:
            s.antialiased = p.brushSettings().antialiased;
            break;
        case F::Texture:
            s.texture = p.texture();
            break;
        case F::TextureMode:
            s.textureMode = p.textureMode();
            break;
        }
    });
}

void ToolBox::reset()
{
    if (m_drawTool)
        m_drawTool->resetStroke();
    m_eraserTool->resetStroke();
    m_fillTool->clearPreview();
    m_selectTool->reset();
    m_shapeTool->reset();
}
