#pragma once

#include <QObject>

class CanvasArea;
class MainActions;

// The Edit menu's selection commands and the two selection tool entries:
// what the window adds around the selection tool (switching to it before a
// paste or Select All).
class SelectionCommands : public QObject
{
    Q_OBJECT

public:
    explicit SelectionCommands(CanvasArea *canvas, QObject *parent = nullptr);
    void setActions(MainActions *actions) { m_actions = actions; }

    void paste(bool transparent);

public slots:
    void cut();
    void copy();
    void pasteOpaque() { paste(false); }
    void pasteTransparent() { paste(true); }
    void selectAll();

public:
    // A selection tool entry toggled: kind 1 rectangle, 2 lasso.
    void toolToggled(int kind, bool on);
    // Commits staged shapes and drops a floating selection, so the document
    // shows what is on the canvas.
    void settle();

private:
    void ensureSelectTool();

    CanvasArea *m_canvas = nullptr;
    MainActions *m_actions = nullptr;
};
