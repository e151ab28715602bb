#include "shapecommands.h"

#include "canvas/canvasarea.h"
#include "canvas/shapetool.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

ShapeCommands::ShapeCommands(CanvasArea *canvas, QWidget *window)
    : QObject(window), m_canvas(canvas), m_window(window)
{
    confirmDiscard = [this](int count) {
        QMessageBox box(QMessageBox::Question, tr("KORVEN"),
                        tr("Discard %n staged shape(s)?", nullptr, count), QMessageBox::Cancel,
                        m_window);
        box.setInformativeText(tr("The stage is not part of the undo history, so discarding "
                                  "cannot be undone. Commit with Enter to keep the shapes."));
        QPushButton *discard = box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(QMessageBox::Cancel);
        box.exec();
        return box.clickedButton() == discard;
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

bool ShapeCommands::discard()
{
    ShapeTool *tool = m_canvas->shapeTool();
    if (tool->isDragging()) {
        tool->discardStaged();
        return true;
    }
    if (tool->stagedCount() == 0)
        return true;
    if (!confirmDiscard(tool->stagedCount()))
        return false;
    tool->discardStaged();
    return true;
}
