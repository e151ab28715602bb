#include "eyedroppertool.h"

#include "toolcursors.h"
#include "toolenvironment.h"

void EyedropperTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void EyedropperTool::deactivate()
{
    setActiveFlag(false);
    // A press still held when the tool is switched away never gets its release.
    setPressedButton(Qt::NoButton);
    refreshCursor();
    refreshPreviews();
}

QCursor EyedropperTool::cursor() const
{
    return ToolCursors::cursor(ToolCursors::Picker);
}

bool EyedropperTool::acceptsPress(const ToolEvent &event)
{
    return (event.button == Qt::LeftButton || event.button == Qt::RightButton) &&
           !env()->penStrokeInProgress();
}

void EyedropperTool::pressed(const ToolEvent &event)
{
    sample(event);
}

void EyedropperTool::dragged(const ToolEvent &event)
{
    sample(event);
}

void EyedropperTool::sample(const ToolEvent &event)
{
    sampleColorAt(event.pixel, event.button == Qt::RightButton);
}
