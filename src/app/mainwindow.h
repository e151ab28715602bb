#pragma once

#include "statustexts.h"

#include "document/project.h"

#include <QMainWindow>
#include <QTimer>

class CanvasArea;
class ElidedLabel;
class QAction;
class QActionGroup;
class QMimeData;

// The program's single main window: it owns the document for its whole life
// and frames it with the title, the status bar and the modified prompt.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    const Project &project() const { return m_project; }
    Project &project() { return m_project; }
    QString projectPath() const { return m_projectPath; }
    QString proposedName() const { return m_proposedName; }

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
    CanvasArea *canvas() const { return m_canvas; }

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
    bool saveProject();
    bool saveProjectAs();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Asks for the file to save to, starting at `proposedPath`; empty when cancelled.
    virtual QString chooseSavePath(const QString &proposedPath);

private:
    void createCentralWidget();
    void createActions();
    void createOptionsMenu();
    // The tool group: each entry's data names the tool it switches on.
    void selectTool(QAction *action);
    void createStatusBar();
    void canvasStatusChanged();
    // Undo and redo wait while the canvas is in the middle of a gesture or stroke.
    bool isCanvasBusy() const;
    void showHistoryStep(const QRect &dirty);
    void readSettings();
    void writeSettings();
    void newCanvasFromPreset(const char *slotName);
    void resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross);
    bool saveProjectTo(const QString &path);
    bool isProjectFileDrag(const QMimeData *mimeData) const;

    Project m_project;
    QString m_projectPath;
    QString m_proposedName;
    bool m_fileTaskBusy = false;
    StatusInputs m_statusInputs;
    CanvasArea *m_canvas = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_clearHistoryAction = nullptr;
    QActionGroup *m_toolGroup = nullptr;

    ElidedLabel *m_modeLabel = nullptr;
    ElidedLabel *m_sizeLabel = nullptr;
    ElidedLabel *m_aspectLabel = nullptr;
    ElidedLabel *m_brushLabel = nullptr;
    ElidedLabel *m_zoomLabel = nullptr;
    ElidedLabel *m_rotationLabel = nullptr;
    ElidedLabel *m_charLabel = nullptr;
    ElidedLabel *m_spriteLabel = nullptr;
    ElidedLabel *m_messageLabel = nullptr;
    QTimer m_messageTimer;
};
