#pragma once

#include "editorsession.h"
#include "statustexts.h"

#include "document/project.h"
#include "widgets/colorassignmentwidget.h"

#include <QMainWindow>

class PaintSettings;
class CrashRecovery;
class DashboardController;
class DocumentLifecycle;
class EditCommands;
class MainActions;
class MenuStateUpdater;
class PaintMenuCommands;
class PreviewController;
class RecentMenu;
class SelectionCommands;
class SettingsFlow;
class ShapeCommands;
class StatusBarFields;
class QAction;
class QMimeData;

// The program's single main window: it owns the document for its whole life,
// frames it with the title, the status bar and the modified prompt, wires
// the menus to the commands and is the session the commands work with.
class MainWindow : public QMainWindow, public EditorSession
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    // The session the commands work with.
    const Project &project() const override { return m_project; }
    Project &project() override { return m_project; }
    CanvasArea *canvas() const override { return m_canvas; }
    MainActions *menuActions() const override { return m_actions; }
    PaintSettings *paintSettings() const override { return m_paintSettings; }
    QWidget *dialogParent() override { return this; }
    bool isFileTaskBusy() const override { return m_fileTaskBusy; }
    void setFileTaskBusy(bool busy) override { m_fileTaskBusy = busy; }
    bool wholeCanvasEditAllowed() const override;
    void settleStagedWork() override;
    void runWholeCanvasEdit(const std::function<QRect()> &edit) override;
    void documentChanged() override;
    void showStatusMessage(const QString &text, int milliseconds) override;
    QString projectPath() const override { return m_projectPath; }
    QString proposedName() const override { return m_proposedName; }
    void setProjectPath(const QString &path) override;
    void proposeName(const QString &name) override;
    QString baseExportName() const override;
    bool maybeSave() override;
    ProjectFileResult runProjectFileTask(const QString &label, const ProjectTask &task) override;
    void adoptProject(Project &&loaded, const QString &path) override;
    void resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                       QSize size = QSize(-1, -1)) override;

    void updateWindowTitle();
    // The canvas view reports the brush and the pixel under the pointer here.
    void setStatusInputs(const StatusInputs &inputs);
    const StatusInputs &statusInputs() const;
    // Opens a project from the command line or a drop on the next turn of the event loop.
    void openProjectLater(const QString &path);
    // The remembered settings and the preferences pushed out from them.
    SettingsFlow *settingsFlow() const { return m_settings; }
    DashboardController *dashboards() const { return m_dashboards; }
    // Keeps unsaved work where the next start finds it after a crash.
    CrashRecovery *crashRecovery() const { return m_recovery; }

public slots:
    void undo();
    void redo();
    void clearHistory();
    void refreshUndoActions();
    void updateStatusBar();
    void newHiresCanvas();
    void newHiresSpritesCanvas();
    void newHiresTopBottomSpritesCanvas();
    void newMulticolorCanvas();
    void newMulticolorSpritesCanvas();
    void newMulticolorTopBottomSpritesCanvas();
    void newDualHiresCanvas();
    void newDualMulticolorCanvas();
    void newCanvasFromDialog();
    void openProject();
    void openRecentProject();
    void importImage();
    void exportPrg();
    void sendToUltimate();
    void setLiveOnUltimate(bool on);
    void showSettings();
    void convertImage();
    void importSprites();
    void importReferenceImage();
    void showReferenceOpacityDialog();
    void showAbout();
    void showUserManual();
    void exportImage();
    void saveWorkstages();
    bool saveProject();
    bool saveProjectAs();
    void setPaletteVariant(QAction *action);
    void setDisplayPixelAspect(QAction *action);
    void setHiresClashResolution(QAction *action);
    void setSpriteCountPolicy(QAction *action);
    void refreshSelectionActions();
    void rectSelectToolToggled(bool active);
    void lassoSelectToolToggled(bool active);
    void shapeToolToggled(bool active);
    void setShapeKind(QAction *action);
    void discardShapes();
    void resolveAllClashes();
    void reduceBorderSprites();
    void swapColors();
    void replaceColors();
    void flipCanvas(Qt::Orientation orientation);
    void setTopBorderAlignment(QAction *action);
    void setBottomBorderAlignment(QAction *action);
    // Re-evaluates the enabling rules of the menu entries.
    void refreshActionRules();
    void showOnlineUserManual();
    // A click on the slot bar: the slot takes the primary (left) or the
    // secondary (right) pen colour, as one edit.
    void assignColorSlot(ColorAssignmentWidget::Slot slot, Qt::MouseButton button);
    void setDashboardsVisible(bool visible);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    QString chooseSavePath(const QString &proposedPath) override;

private:
    void createCentralWidget();
    // The groups that mirror document state follow the document.
    void syncGroupsFromDocument();
    // After a new or opened document: the window and its menus follow it.
    void documentReplaced();
    bool isProjectFileDrag(const QMimeData *mimeData) const;

    Project m_project;
    QString m_projectPath;
    QString m_proposedName;
    bool m_fileTaskBusy = false;
    CanvasArea *m_canvas = nullptr;
    PaintSettings *m_paintSettings = nullptr;
    MainActions *m_actions = nullptr;
    MenuStateUpdater *m_menuState = nullptr;
    PaintMenuCommands *m_paint = nullptr;
    EditCommands *m_edits = nullptr;
    DocumentLifecycle *m_lifecycle = nullptr;
    StatusBarFields *m_status = nullptr;
    SettingsFlow *m_settings = nullptr;
    PreviewController *m_preview = nullptr;
    class UserManualWindow *m_manual = nullptr;
    RecentMenu *m_recentMenu = nullptr;
    SelectionCommands *m_selection = nullptr;
    ShapeCommands *m_shapes = nullptr;
    DashboardController *m_dashboards = nullptr;
    class ScriptFlow *m_scripts = nullptr;
    CrashRecovery *m_recovery = nullptr;
    class LiveUltimateFlow *m_liveFlow = nullptr;
};
