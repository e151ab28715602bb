#pragma once

#include <QObject>
#include <optional>

class CanvasArea;
class QAction;
class QWidget;

// The Options menu's paint entries and the tool choice, handed to the canvas:
// pen width, brush shape, the stroke switches, texture mode, symmetry,
// contour placement and the tools the window adds nothing to.
class PaintMenuCommands : public QObject
{
    Q_OBJECT

public:
    PaintMenuCommands(CanvasArea *canvas, QWidget *window);

public slots:
    void penWidth();
    void decreasePenWidth();
    void increasePenWidth();
    void setPressureWidening(bool on);
    void setFillPreviewDisabled(bool on);
    void setPenColor(int index);
    void setBrushShape(QAction *action);
    void setTextureMode(QAction *action);
    void setSymmetryMode(QAction *action);
    void setContourPlacement(QAction *action);
    void fillToolToggled(bool active);
    void eyedropperToolToggled(bool active);
    void eraserToolToggled(bool active);
    void panToolToggled(bool active);
    void symmetryToolToggled(bool active);

signals:
    // The brush changed: the status bar shows it.
    void brushChanged();
    // The pen width or the pressure switch changed, which some entries' rules read.
    void actionRulesChanged();

protected:
    // Asks for a pen width starting at `current`; empty when cancelled.
    virtual std::optional<int> choosePenWidth(int current);

private:
    void changePenWidth(int width);

    CanvasArea *m_canvas;
    QWidget *m_window;
};
