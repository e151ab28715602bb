#include "selectioncommands.h"

#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"

#include <QAction>

SelectionCommands::SelectionCommands(CanvasArea *canvas, QObject *parent)
    : QObject(parent), m_canvas(canvas)
{
}

void SelectionCommands::cut()
{
    if (!m_canvas->dragInProgress())
        m_canvas->selectTool()->cut();
}

void SelectionCommands::copy()
{
    if (!m_canvas->dragInProgress())
        m_canvas->selectTool()->copy();
}

void SelectionCommands::ensureSelectTool()
{
    if (m_canvas->selectTool()->marqueeKind() != SelectTool::Off || !m_actions)
        return;
    // Checking the entry switches the tool through its toggled handler.
    if (QAction *rectangle = m_actions->action(QStringLiteral("rectSelectTool")))
        rectangle->setChecked(true);
}

void SelectionCommands::paste(bool transparent)
{
    // Switching to the selection tool would commit the shapes mid-drag.
    if (m_canvas->selectTool()->isClipboardEmpty() || m_canvas->dragInProgress())
        return;
    ensureSelectTool();
    m_canvas->selectTool()->paste(transparent);
}

void SelectionCommands::selectAll()
{
    ensureSelectTool();
    m_canvas->selectAll();
}

void SelectionCommands::toolToggled(int kind, bool on)
{
    // The group may report the new entry before the old one: switching off
    // only counts for the kind that is on.
    if (on)
        m_canvas->setSelectTool(kind);
    else if (m_canvas->selectTool()->marqueeKind() == kind)
        m_canvas->setSelectTool(SelectTool::Off);
}

void SelectionCommands::settle()
{
    m_canvas->settleStagedWork();
}
