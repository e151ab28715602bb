#include "paintmenucommands.h"

#include "canvas/canvasarea.h"
#include "paint/paintsettings.h"

#include <QAction>
#include <QInputDialog>
#include <algorithm>

PaintMenuCommands::PaintMenuCommands(CanvasArea *canvas, QWidget *window)
    : QObject(window), m_canvas(canvas), m_window(window)
{
}

std::optional<int> PaintMenuCommands::choosePenWidth(int current)
{
    bool ok = false;
    const int width =
        QInputDialog::getInt(m_window, tr("KORVEN"), tr("Select pen width:"), current,
                             BrushSettings::MinWidth, BrushSettings::MaxMenuWidth, 1, &ok);
    return ok ? std::optional<int>(width) : std::nullopt;
}

void PaintMenuCommands::penWidth()
{
    if (const std::optional<int> width =
            choosePenWidth(m_canvas->paintSettings().brushSettings().width))
        changePenWidth(*width);
}

void PaintMenuCommands::decreasePenWidth()
{
    changePenWidth(m_canvas->paintSettings().brushSettings().width - 1);
}

void PaintMenuCommands::increasePenWidth()
{
    changePenWidth(m_canvas->paintSettings().brushSettings().width + 1);
}

void PaintMenuCommands::changePenWidth(int width)
{
    m_canvas->paintSettings().setPenWidth(
        std::clamp(width, BrushSettings::MinWidth, BrushSettings::MaxMenuWidth));
    emit brushChanged();
    emit actionRulesChanged();
}

void PaintMenuCommands::setPressureWidening(bool on)
{
    m_canvas->paintSettings().setPressureWidening(on);
    emit actionRulesChanged();
}

void PaintMenuCommands::setFillPreviewDisabled(bool on)
{
    m_canvas->paintSettings().setFillPreviewEnabled(!on);
}

void PaintMenuCommands::setPenColor(int index)
{
    m_canvas->paintSettings().setPenIndex(quint8(index));
}

void PaintMenuCommands::setBrushShape(QAction *action)
{
    m_canvas->paintSettings().setBrushShape(BrushShape(action->data().toInt()));
    emit brushChanged();
}

void PaintMenuCommands::setTextureMode(QAction *action)
{
    m_canvas->paintSettings().setTextureMode(TextureMode(action->data().toInt()));
}

void PaintMenuCommands::setSymmetryMode(QAction *action)
{
    m_canvas->paintSettings().setSymmetryMode(action->data().toInt());
}

void PaintMenuCommands::setContourPlacement(QAction *action)
{
    m_canvas->paintSettings().setContourPlacement(action->data().toInt());
}

// The exclusive tool group switches the old tool off before the new one on;
// switching every other tool off leaves the canvas's fallback, the pen.
void PaintMenuCommands::fillToolToggled(bool active)
{
    m_canvas->setFillTool(active);
}

void PaintMenuCommands::eyedropperToolToggled(bool active)
{
    m_canvas->setEyedropperTool(active);
}

void PaintMenuCommands::eraserToolToggled(bool active)
{
    m_canvas->setEraserTool(active);
}

void PaintMenuCommands::panToolToggled(bool active)
{
    m_canvas->setPanTool(active);
}

void PaintMenuCommands::symmetryToolToggled(bool active)
{
    m_canvas->setSymmetryAxesTool(active);
}
