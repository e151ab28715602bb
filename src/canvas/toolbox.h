#pragma once

#include "paint/paintsettings.h"

#include <QRect>
#include <memory>
#include <optional>

class CanvasTool;
class DrawTool;
class EraserTool;
class EyedropperTool;
class FillTool;
class PanTool;
class QCursor;
class QMouseEvent;
class SelectTool;
class ShapeTool;
class SymmetryTool;
class ToolEnvironment;

// The view's tools: one of each for the view's whole life and a pointer to
// the active one, switched by the radio rule. The pen is the fallback that
// gets presses the active tool refuses and becomes active whenever a tool is
// switched off.
class ToolBox
{
public:
    explicit ToolBox(ToolEnvironment *environment);
    ~ToolBox();
    ToolBox(const ToolBox &) = delete;
    ToolBox &operator=(const ToolBox &) = delete;

    CanvasTool *activeTool() const { return m_activeTool; }
    CanvasTool *penTool() const { return m_penTool; }
    // The pen as a DrawTool (null while another pen is installed).
    DrawTool *drawTool() const { return m_drawTool; }
    PanTool *panTool() const { return m_panTool.get(); }
    EyedropperTool *eyedropperTool() const { return m_eyedropperTool.get(); }
    SymmetryTool *symmetryTool() const { return m_symmetryTool.get(); }
    EraserTool *eraserTool() const { return m_eraserTool.get(); }
    FillTool *fillTool() const { return m_fillTool.get(); }
    SelectTool *selectTool() const { return m_selectTool.get(); }
    ShapeTool *shapeTool() const { return m_shapeTool.get(); }
    // The active tool when it is the pen or the eraser.
    DrawTool *activeDrawTool() const;

    // Switching on makes a tool the active one; switching the active tool
    // off hands over to the pen. An unchanged state does nothing.
    void switchTool(CanvasTool *tool, bool on);
    void setEraserTool(bool on);
    void setFillTool(bool on);
    void setPanTool(bool on);
    void setEyedropperTool(bool on);
    void setSymmetryAxesTool(bool on);
    void setShapeTool(bool on);
    // The selection tool by marquee kind: 0 off, 1 rectangle, 2 lasso.
    void setSelectTool(int kind);
    // Hands over a pen; it becomes the active tool when the old pen was.
    void installPenTool(std::unique_ptr<CanvasTool> pen);
    // Commits staged shapes and drops a floating selection.
    void settleStagedWork();
    bool penStrokeInProgress() const;
    // A stroke, a shape or selection drag, or a press some tool still holds.
    bool toolDragInProgress() const;
    // The dropper while sampling (or Alt over an idle pen), else the active
    // tool's.
    QCursor chosenCursor(bool altHeld) const;
    // The pen's, eraser's or fill's preview for the pointer now; nothing for
    // tools that paint previews from their own state.
    std::optional<QRect> updatePreview();
    // Hands a mouse event to the active tool; a pen or eraser stroke started
    // before a tool switch finishes where it began.
    void route(bool (CanvasTool::*handler)(QMouseEvent *), QMouseEvent *event);
    // A picked stroke style reaches the selected staged shapes.
    void restyleStaged(PaintSettings::StyleField field);
    // A new or opened document: no stroke, preview, stage or selection.
    void reset();

private:
    ToolEnvironment *m_env = nullptr;
    std::unique_ptr<PanTool> m_panTool;
    std::unique_ptr<EyedropperTool> m_eyedropperTool;
    std::unique_ptr<SymmetryTool> m_symmetryTool;
    std::unique_ptr<EraserTool> m_eraserTool;
    std::unique_ptr<FillTool> m_fillTool;
    std::unique_ptr<SelectTool> m_selectTool;
    std::unique_ptr<ShapeTool> m_shapeTool;
    std::unique_ptr<CanvasTool> m_ownedPen;
    DrawTool *m_drawTool = nullptr;
    CanvasTool *m_penTool = nullptr;
    CanvasTool *m_activeTool = nullptr;
};
