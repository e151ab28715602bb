#pragma once

#include "projectfiletask.h"
#include "statustexts.h"

#include "document/project.h"
#include "widgets/colorassignmentwidget.h"

#include <QMainWindow>
#include <QTimer>
#include <optional>

class CanvasArea;
class PaintSettings;
class CrashRecovery;
class DashboardController;
class ElidedLabel;
class MainActions;
class PreviewController;
class RecentMenu;
class SelectionCommands;
class SettingsFlow;
class ShapeCommands;
class QAction;
class QActionGroup;
class QMimeData;

// The program's single main window: it owns the document for its whole life
// and frames it with the title, the status bar and the modified prompt.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    // The conversion flow applies its result the way the window's own edits do.
    friend class ConvertImageFlow;
    friend class SpriteImportFlow;
    friend class ReferenceImportFlow;
    friend class ExportImageFlow;
    friend class ProjectFileFlow;
    friend class ImageImportFlow;
    friend class ScriptFlow;
    friend class CrashRecovery;

public:
    explicit MainWindow(QWidget *parent = nullptr);

    const Project &project() const { return m_project; }
    Project &project() { return m_project; }
    QString projectPath() const { return m_projectPath; }
    QString proposedName() const { return m_proposedName; }
    // What exports are called: the project's file name, the proposed name,
    // or "untitled".
    QString baseExportName() const;

    // Set while a project is being read or written in the background; it
    // blocks saving from the prompt, drops and deferred openings.
    bool isFileTaskBusy() const { return m_fileTaskBusy; }
    void setFileTaskBusy(bool busy) { m_fileTaskBusy = busy; }

    // A transient message in the status bar's last field, cleared after the time.
    void showStatusMessage(const QString &text, int milliseconds);
    // Asks whether to save a modified project; false means: stop what you were doing.
    bool maybeSave();
    void updateWindowTitle();
    // The canvas view reports the brush and the pixel under the pointer here.
    void setStatusInputs(const StatusInputs &inputs);
    const StatusInputs &statusInputs() const { return m_statusInputs; }
    // Opens a project from the command line or a drop on the next turn of the event loop.
    void openProjectLater(const QString &path);
    // The open flow on one path: read in the background, then replace the document.
    ProjectFileResult loadProjectFromFile(const QString &path);
    // The save flow; false when it failed or was cancelled.
    bool saveProjectTo(const QString &path);
    CanvasArea *canvas() const { return m_canvas; }
    PaintSettings *paintSettings() const { return m_paintSettings; }
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
    void penWidth();
    void setPaletteVariant(QAction *action);
    void setDisplayPixelAspect(QAction *action);
    void setHiresClashResolution(QAction *action);
    void setSpriteCountPolicy(QAction *action);
    void setBrushShape(QAction *action);
    void setTextureMode(QAction *action);
    void setSymmetryMode(QAction *action);
    void setContourPlacement(QAction *action);
    void fillToolToggled(bool active);
    void eyedropperToolToggled(bool active);
    void eraserToolToggled(bool active);
    void panToolToggled(bool active);
    void symmetryToolToggled(bool active);
    void refreshSelectionActions();
    void cutSelection();
    void copySelection();
    void pasteOpaque();
    void pasteTransparent();
    void selectAll();
    void rectSelectToolToggled(bool active);
    void lassoSelectToolToggled(bool active);
    void shapeToolToggled(bool active);
    void setShapeKind(QAction *action);
    void setFilledShapes(bool filled);
    void commitShapes();
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
    void runScript();
    void openScriptFolder();
    // A click on the slot bar: the slot takes the primary (left) or the
    // secondary (right) pen colour, as one edit.
    void assignColorSlot(ColorAssignmentWidget::Slot slot, Qt::MouseButton button);
    void setDashboardsVisible(bool visible);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Asks for the file to save to, starting at `proposedPath`; empty when cancelled.
    virtual QString chooseSavePath(const QString &proposedPath);
    // Asks for a pen width starting at `current`; empty when cancelled.
    virtual std::optional<int> choosePenWidth(int current);

private slots:
    void decreasePenWidth();
    void increasePenWidth();
    void setPressureWidening(bool on);
    void setFillPreviewDisabled(bool on);
    void setPenColor(int index);
    // The view entries that also serve the preview window drive the view of
    // the active window.
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomBestFit();
    void resetRotationAndBestFit();

private:
    void createCentralWidget();
    void createStatusBar();
    // How to begin, in the status bar until the first edit.
    void showStartHint();
    void endStartHint();
    void canvasStatusChanged();
    void changePenWidth(int width);
    // Undo and redo wait while a file task runs or the canvas is in the middle
    // of a gesture, a stroke or a tool's drag.
    bool isCanvasBusy() const;
    // Whole-canvas edits wait while a stroke or a tool's drag is under way.
    bool wholeCanvasEditAllowed() const;
    // Runs one whole-canvas edit when the canvas is idle, then shows what it recorded.
    void runWholeCanvasEdit(const std::function<QRect()> &edit);
    // The groups that mirror document state follow the document.
    void syncGroupsFromDocument();
    void showHistoryStep(const QRect &dirty);
    void newCanvasFromPreset(const char *slotName);
    void resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                       QSize size = QSize(-1, -1));
    // After a new or opened document: the window and its menus follow it.
    void documentReplaced();
    ProjectFileResult runProjectFileTask(const QString &label, const ProjectTask &task);
    bool isProjectFileDrag(const QMimeData *mimeData) const;

    Project m_project;
    QString m_projectPath;
    QString m_proposedName;
    bool m_fileTaskBusy = false;
    StatusInputs m_statusInputs;
    CanvasArea *m_canvas = nullptr;
    PaintSettings *m_paintSettings = nullptr;
    MainActions *m_actions = nullptr;
    SettingsFlow *m_settings = nullptr;
    PreviewController *m_preview = nullptr;
    class UserManualWindow *m_manual = nullptr;
    RecentMenu *m_recentMenu = nullptr;
    SelectionCommands *m_selection = nullptr;
    ShapeCommands *m_shapes = nullptr;
    DashboardController *m_dashboards = nullptr;
    class ScriptFlow *m_scripts = nullptr;
    CrashRecovery *m_recovery = nullptr;
    QString m_startHint;
    class LiveUltimateFlow *m_liveFlow = nullptr;

    ElidedLabel *m_modeLabel = nullptr;
    ElidedLabel *m_sizeLabel = nullptr;
    ElidedLabel *m_aspectLabel = nullptr;
    ElidedLabel *m_brushLabel = nullptr;
    ElidedLabel *m_zoomLabel = nullptr;
    ElidedLabel *m_rotationLabel = nullptr;
    ElidedLabel *m_charLabel = nullptr;
    ElidedLabel *m_spriteLabel = nullptr;
    ElidedLabel *m_stageLabel = nullptr;
    ElidedLabel *m_messageLabel = nullptr;
    QTimer m_messageTimer;
};
