#include "erasertool.h"

#include "toolcursors.h"
#include "toolenvironment.h"

#include "document/project.h"

void EraserTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void EraserTool::deactivate()
{
    // A stroke under way keeps going: the canvas hands its moves and release
    // back here after the switch.
    setActiveFlag(false);
    clearPreview();
    refreshCursor();
    refreshPreviews();
}

QCursor EraserTool::cursor() const
{
    return ToolCursors::cursor(ToolCursors::Eraser);
}

quint8 EraserTool::strokeColor(bool) const
{
    return eraserColors(project(), secondaryIndex()).stroke;
}

quint8 EraserTool::otherColor(bool) const
{
    return eraserColors(project(), secondaryIndex()).other;
}
