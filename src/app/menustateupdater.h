#pragma once

#include <QObject>

class CanvasArea;
class MainActions;
class Project;

// Keeps the menu entries in step with the document and the canvas: the
// enabling rules, the history entries, the selection entries' names and the
// checked members of the groups that mirror document and paint state.
class MenuStateUpdater : public QObject
{
    Q_OBJECT

public:
    MenuStateUpdater(const Project &project, CanvasArea *canvas, MainActions *actions,
                     QObject *parent);

    // Undo, Redo, Clear History, Save Workstages and the stage entries;
    // returns the number of staged shapes.
    int refreshUndoActions();
    // Re-evaluates the enabling rules of the menu entries.
    void refreshActionRules();
    // The entries that act on the selection, named and enabled for it.
    void refreshSelectionActions();
    // The groups that mirror document state follow the document.
    void syncGroupsFromDocument();

private:
    const Project &m_project;
    CanvasArea *m_canvas;
    MainActions *m_actions;
};
