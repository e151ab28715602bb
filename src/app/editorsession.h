#pragma once

#include "projectfiletask.h"

#include "document/canvastypes.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

class CanvasArea;
class MainActions;
class PaintSettings;
class Project;
class QWidget;

// What the window's commands (opening, saving, importing, exporting,
// converting, scripts, the rescue copy, the dashboards) work with: the one
// document and the few services around it. The main window provides it; the
// commands never see the window itself.
class EditorSession
{
public:
    virtual ~EditorSession() = default;

    // The document: one object for the session's whole life.
    virtual Project &project() = 0;
    virtual const Project &project() const = 0;
    virtual CanvasArea *canvas() const = 0;
    virtual MainActions *menuActions() const = 0;
    // The pen colours, brush and symmetry the tools and dashboards share.
    virtual PaintSettings *paintSettings() const = 0;
    // The parent of the commands' dialogs, message boxes and helper objects.
    virtual QWidget *dialogParent() = 0;

    // Set while a project is read or written in the background, or a program
    // is built and sent; it blocks saving, drops and deferred openings.
    virtual bool isFileTaskBusy() const = 0;
    virtual void setFileTaskBusy(bool busy) = 0;
    // Whole-canvas edits wait while a stroke or a tool's drag is under way.
    virtual bool wholeCanvasEditAllowed() const = 0;
    // Commits staged shapes and drops a floating selection, so the document
    // holds what the canvas shows.
    virtual void settleStagedWork() = 0;
    // Runs one recorded edit when the canvas is idle, then shows what it recorded.
    virtual void runWholeCanvasEdit(const std::function<QRect()> &edit) = 0;
    // The menus, colour widgets and title follow the document after a change
    // that was not a recorded edit.
    virtual void documentChanged() = 0;
    // A transient message in the status bar, cleared after the time.
    virtual void showStatusMessage(const QString &text, int milliseconds) = 0;

    virtual QString projectPath() const = 0;
    virtual QString proposedName() const = 0;
    // Sets the project's file (empty: none) and clears the proposed name.
    virtual void setProjectPath(const QString &path) = 0;
    // A project without a file takes the name of the picture brought into it.
    virtual void proposeName(const QString &name) = 0;
    // What exports are called: the project's file name, the proposed name,
    // or "untitled".
    virtual QString baseExportName() const = 0;

    // Asks whether to save a modified project; false means: stop what you were doing.
    virtual bool maybeSave() = 0;
    // Asks for the file to save to, starting at `proposedPath`; empty when cancelled.
    virtual QString chooseSavePath(const QString &proposedPath) = 0;
    // Runs a project read or write in the background with the busy flag held.
    virtual ProjectFileResult runProjectFileTask(const QString &label, const ProjectTask &task) = 0;
    // A read project replaces the document's content; `path` becomes its file.
    virtual void adoptProject(Project &&loaded, const QString &path) = 0;
    // A fresh document of this geometry replaces the content; -1 sizes mean the default.
    virtual void resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                               QSize size = QSize(-1, -1)) = 0;
};
