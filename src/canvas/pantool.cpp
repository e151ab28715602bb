#include "pantool.h"

#include "toolcursors.h"
#include "toolenvironment.h"

#include <QMouseEvent>

void PanTool::activate()
{
    setActiveFlag(true);
    refreshCursor();
    refreshPreviews();
}

void PanTool::deactivate()
{
    setActiveFlag(false);
    // A press still held when the tool is switched away never gets its release.
    setPressedButton(Qt::NoButton);
    refreshCursor();
    refreshPreviews();
}

QCursor PanTool::cursor() const
{
    return ToolCursors::cursor(ToolCursors::Pan);
}

bool PanTool::mousePressEvent(QMouseEvent *event)
{
    // The canvas's own panning state follows the moves and the release.
    if (event->button() != Qt::LeftButton || env()->penStrokeInProgress())
        return false;
    env()->beginPan(event->position());
    return true;
}
