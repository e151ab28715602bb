#include "shapecommands.h"

#include "canvas/canvasarea.h"
#include "canvas/shapetool.h"

#include <QMessageBox>
#include <algorithm>

ShapeCommands::ShapeCommands(CanvasArea *canvas, QWidget *window)
    : QObject(window), m_canvas(canvas), m_window(window)
{
    confirmDiscard = [this](int count) {
        return QMessageBox::question(
                   m_window, tr("KORVEN"), tr("Discard %n staged shape(s)?", nullptr, count),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
}

void ShapeCommands::toolToggled(bool on)
{
    m_canvas->setShapeTool(on);
}

void ShapeCommands::setKind(int kind)
{
    m_canvas->shapeTool()->setKind(ShapeKind(std::clamp(kind, 0, 4)));
}

void ShapeCommands::setFilled(bool filled)
{
    m_canvas->shapeTool()->setFilled(filled);
}

void ShapeCommands::commit()
{
    m_canvas->shapeTool()->commitStaged();
}

void ShapeCommands::discard()
{
    ShapeTool *tool = m_canvas->shapeTool();
    if (tool->isDragging()) {
        tool->discardStaged();
        return;
    }
    if (tool->stagedCount() == 0 || !confirmDiscard(tool->stagedCount()))
        return;
    tool->discardStaged();
}
