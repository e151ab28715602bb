#pragma once

#include <QObject>
#include <functional>

class CanvasArea;
class QWidget;

// The shape entries of the window: the tool, its kind and filled setting,
// Commit Shapes, and Discard Shapes with the question before the stage goes.
class ShapeCommands : public QObject
{
    Q_OBJECT

public:
    ShapeCommands(CanvasArea *canvas, QWidget *window);

    void toolToggled(bool on);
    // The shape menu's kind values 0..4.
    void setKind(int kind);

public slots:
    void setFilled(bool filled);
    void commit();

public:
    // Backs out of a gesture without asking; else asks before emptying a
    // non-empty stage. False when the artist chose to keep it.
    bool discard();
    // Asks whether to discard n staged shapes; replaceable for tests.
    std::function<bool(int)> confirmDiscard;

private:
    CanvasArea *m_canvas = nullptr;
    QWidget *m_window = nullptr;
};
