#include "mainwindow.h"

#include "aboutdialog.h"
#include "convertimageflow.h"
#include "crashrecovery.h"
#include "dashboardcontroller.h"
#include "documentlifecycle.h"
#include "editcommands.h"
#include "exportimageflow.h"
#include "firststart.h"
#include "imageimportflow.h"
#include "liveultimateflow.h"
#include "mainactions.h"
#include "menustateupdater.h"
#include "paintmenucommands.h"
#include "previewcontroller.h"
#include "prgexportflow.h"
#include "projectfileflow.h"
#include "recentmenu.h"
#include "referenceimportflow.h"
#include "referenceopacitydialog.h"
#include "saveworkstagesflow.h"
#include "scriptflow.h"
#include "selectioncommands.h"
#include "settingsflow.h"
#include "shapecommands.h"
#include "spriteimportflow.h"
#include "statusbarfields.h"
#include "ultimatesendflow.h"
#include "usermanualwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "paint/paintsettings.h"
#include "widgets/previewarea.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace
{

constexpr int StatusMessageMs = 5000;
constexpr char OnlineManualUrl[] = "https://korvensoft.net/korven/manual/";

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    createCentralWidget();
    m_actions = new MainActions(this, m_canvas, menuBar());
    m_menuState = new MenuStateUpdater(m_project, m_canvas, m_actions, this);
    m_actions->setReceiver(EntryTarget::Selection, m_selection);
    m_actions->setReceiver(EntryTarget::Shapes, m_shapes);
    m_actions->setReceiver(EntryTarget::Paint, m_paint);
    m_actions->setReceiver(EntryTarget::PaintSettings, m_paintSettings);
    connect(m_actions, &MainActions::penColorChosen, m_paint, &PaintMenuCommands::setPenColor);
    m_preview = new PreviewController(this, m_canvas, m_actions);
    m_actions->setReceiver(EntryTarget::Views, m_preview);
    m_edits = new EditCommands(*this, m_preview->area(), this);
    connect(m_edits, &EditCommands::undoStepsChanged, this, &MainWindow::refreshUndoActions);
    m_lifecycle = new DocumentLifecycle(*this, this);
    connect(m_lifecycle, &DocumentLifecycle::documentReplaced, this, &MainWindow::documentReplaced);
    m_selection->setActions(m_actions);
    m_settings = new SettingsFlow(this, m_canvas, m_actions);
    connect(m_settings, &SettingsFlow::invertZoomWheelApplied, m_preview->area(),
            &PreviewArea::setInvertWheel);
    connect(m_settings, &SettingsFlow::restorePreviewGeometry, m_preview,
            &PreviewController::restoreGeometry);
    connect(m_settings, &SettingsFlow::storePreviewGeometry, m_preview,
            &PreviewController::storeGeometry);
    m_recentMenu = new RecentMenu(
        m_actions->action(QStringLiteral("fileMenu"))->menu(),
        m_actions->action(QStringLiteral("openRecentMenu"))->menu(), this,
        SLOT(openRecentProject()), [this] { return m_project.paletteVariant(); },
        [this] { return menuBar()->isNativeMenuBar(); });
    m_dashboards = new DashboardController(this);
    connect(m_dashboards->slotWidget(), &ColorAssignmentWidget::slotClicked, this,
            &MainWindow::assignColorSlot);
    connect(m_settings, &SettingsFlow::flyoutTimesApplied, m_dashboards,
            &DashboardController::setFlyoutTimes);
    m_scripts = new ScriptFlow(this, m_actions->action(QStringLiteral("scriptsMenu"))->menu());
    m_actions->setReceiver(EntryTarget::Scripts, m_scripts);
    addDockWidget(Qt::BottomDockWidgetArea, m_scripts->consolePane());
    m_status = new StatusBarFields(this, m_project, m_canvas);
    // The brush and the pixel under the pointer show from here on.
    connect(m_canvas, &CanvasArea::statusChanged, m_status, &StatusBarFields::canvasStatusChanged);
    connect(m_paint, &PaintMenuCommands::brushChanged, m_status,
            &StatusBarFields::canvasStatusChanged);
    m_recovery = new CrashRecovery(this);

    setAcceptDrops(true);
    updateWindowTitle();
    // A saved geometry, read with the settings, wins over the first-start size.
    FirstStart::placeWindow(this);
    m_settings->readSettings();
    syncGroupsFromDocument();
    refreshUndoActions();
    refreshSelectionActions();
    // Best fit stays on across the first resizes, so the document shows whole.
    m_canvas->zoomBestFit();
    m_status->canvasStatusChanged();
    m_status->showStartHint();
}

// The drawing area works on the window's document for the window's whole life.
void MainWindow::createCentralWidget()
{
    m_paintSettings = new PaintSettings(this);
    m_canvas = new CanvasArea(m_project, *m_paintSettings, this);
    setCentralWidget(m_canvas);
    m_selection = new SelectionCommands(m_canvas, this);
    m_shapes = new ShapeCommands(m_canvas, this);
    m_paint = new PaintMenuCommands(m_canvas, this);
    connect(m_paint, &PaintMenuCommands::actionRulesChanged, this, &MainWindow::refreshActionRules);
    connect(m_canvas, &CanvasArea::historyChanged, this, &MainWindow::refreshUndoActions);
    connect(m_canvas, &CanvasArea::selectionChanged, this, &MainWindow::refreshSelectionActions);
    connect(m_canvas, &CanvasArea::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, 5000); });
}

bool MainWindow::wholeCanvasEditAllowed() const
{
    return m_edits->wholeCanvasEditAllowed();
}

void MainWindow::settleStagedWork()
{
    m_selection->settle();
}

void MainWindow::runWholeCanvasEdit(const std::function<QRect()> &edit)
{
    m_edits->runWholeCanvasEdit(edit);
}

void MainWindow::documentChanged()
{
    syncGroupsFromDocument();
    refreshUndoActions();
}

void MainWindow::undo()
{
    m_edits->undo();
}

void MainWindow::redo()
{
    m_edits->redo();
}

void MainWindow::clearHistory()
{
    m_edits->clearHistory();
}

void MainWindow::refreshUndoActions()
{
    updateWindowTitle();
    const int staged = m_menuState->refreshUndoActions();
    if (m_status)
        m_status->setStagedShapes(staged);
}

void MainWindow::showSettings()
{
    m_settings->showSettings();
}

void MainWindow::showStatusMessage(const QString &text, int milliseconds)
{
    m_status->showMessage(text, milliseconds);
}

void MainWindow::setStatusInputs(const StatusInputs &inputs)
{
    m_status->setInputs(inputs);
}

const StatusInputs &MainWindow::statusInputs() const
{
    return m_status->inputs();
}

void MainWindow::updateStatusBar()
{
    // The bars are built before the status bar and already fit the view.
    if (m_status)
        m_status->update();
}

void MainWindow::updateWindowTitle()
{
    QString name = QFileInfo(m_projectPath).fileName();
    if (m_projectPath.isEmpty())
        name = m_proposedName;
    if (name.isEmpty())
        name = tr("Untitled");
    setWindowTitle(tr("%1[*] - KORVEN").arg(name));
    setWindowModified(m_project.history().isModified());
    // The title follows every edit, save and new document, and so do the
    // rescue copy and the first-start hint.
    if (m_recovery)
        m_recovery->documentStateChanged();
    if (m_status)
        m_status->documentStateChanged();
}

void MainWindow::setProjectPath(const QString &path)
{
    m_projectPath = path;
    m_proposedName.clear();
    updateWindowTitle();
}

void MainWindow::proposeName(const QString &name)
{
    if (!m_projectPath.isEmpty())
        return;
    m_proposedName = name;
    updateWindowTitle();
}

QString MainWindow::baseExportName() const
{
    if (!m_projectPath.isEmpty())
        return QFileInfo(m_projectPath).completeBaseName();
    if (!m_proposedName.isEmpty())
        return m_proposedName;
    return QStringLiteral("untitled");
}

bool MainWindow::maybeSave()
{
    return ProjectFileFlow(*this).maybeSave();
}

void MainWindow::openProjectLater(const QString &path)
{
    m_lifecycle->openProjectLater(path);
}

ProjectFileResult MainWindow::runProjectFileTask(const QString &label, const ProjectTask &task)
{
    m_fileTaskBusy = true;
    const ProjectFileResult result = ProjectFileTask::run(this, label, task);
    m_fileTaskBusy = false;
    return result;
}

void MainWindow::adoptProject(Project &&loaded, const QString &path)
{
    m_lifecycle->adoptProject(std::move(loaded), path);
}

void MainWindow::resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                               QSize size)
{
    m_lifecycle->resetDocument(mode, layout, screensAcross, size);
}

void MainWindow::documentReplaced()
{
    m_recovery->documentReplaced();
    // A reference image belongs to the session, not to any project.
    m_canvas->setReferenceImage(QImage());
    m_dashboards->documentReplaced();
    syncGroupsFromDocument();
    refreshUndoActions();
    m_status->canvasStatusChanged();
}

void MainWindow::openProject()
{
    ProjectFileFlow(*this).openProject();
}

void MainWindow::openRecentProject()
{
    if (const auto *entry = qobject_cast<const QAction *>(sender()))
        ProjectFileFlow(*this).openRecentProject(entry->data().toString());
}

void MainWindow::importImage()
{
    ImageImportFlow(*this).run();
}

void MainWindow::saveWorkstages()
{
    SaveWorkstagesFlow(*this).run();
}

void MainWindow::exportImage()
{
    ExportImageFlow(*this).run();
}

void MainWindow::showUserManual()
{
    if (!m_manual)
        m_manual = new UserManualWindow(this);
    m_manual->show();
    m_manual->raise();
    m_manual->activateWindow();
}

void MainWindow::showAbout()
{
    AboutDialog(this).exec();
}

void MainWindow::showReferenceOpacityDialog()
{
    ReferenceOpacityDialog dialog(m_canvas->referenceOpacity(), this);
    connect(&dialog, &ReferenceOpacityDialog::opacityChanged, m_canvas,
            &CanvasArea::setReferenceOpacity);
    dialog.exec();
}

void MainWindow::importReferenceImage()
{
    ReferenceImportFlow(*this).run();
}

void MainWindow::importSprites()
{
    SpriteImportFlow(*this).run();
}

void MainWindow::convertImage()
{
    ConvertImageFlow(*this).run();
}

void MainWindow::showOnlineUserManual()
{
    const QUrl address{QString::fromLatin1(OnlineManualUrl)};
    if (QDesktopServices::openUrl(address)) {
        showStatusMessage(tr("Opened the online user manual in your web browser."),
                          StatusMessageMs);
        return;
    }
    QMessageBox::warning(this, tr("Online User Manual"),
                         tr("Could not open %1 in a web browser.").arg(address.toString()));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A project being read or written finishes (or is cancelled) first.
    if (m_fileTaskBusy) {
        event->ignore();
        return;
    }
    if (maybeSave()) {
        m_settings->writeSettings();
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::isProjectFileDrag(const QMimeData *mimeData) const
{
    if (m_fileTaskBusy || !mimeData || !mimeData->hasUrls())
        return false;
    const QList<QUrl> urls = mimeData->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return false;
    const QString suffix = QFileInfo(urls.first().toLocalFile()).suffix();
    return suffix.compare(QLatin1String("kvn"), Qt::CaseInsensitive) == 0;
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (isProjectFileDrag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (!isProjectFileDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    openProjectLater(event->mimeData()->urls().first().toLocalFile());
}

void MainWindow::newHiresCanvas()
{
    m_lifecycle->newCanvasFromPreset("newHiresCanvas()");
}
void MainWindow::newHiresSpritesCanvas()
{
    m_lifecycle->newCanvasFromPreset("newHiresSpritesCanvas()");
}
void MainWindow::newHiresTopBottomSpritesCanvas()
{
    m_lifecycle->newCanvasFromPreset("newHiresTopBottomSpritesCanvas()");
}
void MainWindow::newMulticolorCanvas()
{
    m_lifecycle->newCanvasFromPreset("newMulticolorCanvas()");
}
void MainWindow::newMulticolorSpritesCanvas()
{
    m_lifecycle->newCanvasFromPreset("newMulticolorSpritesCanvas()");
}
void MainWindow::newMulticolorTopBottomSpritesCanvas()
{
    m_lifecycle->newCanvasFromPreset("newMulticolorTopBottomSpritesCanvas()");
}
void MainWindow::newDualHiresCanvas()
{
    m_lifecycle->newCanvasFromPreset("newDualHiresCanvas()");
}
void MainWindow::newDualMulticolorCanvas()
{
    m_lifecycle->newCanvasFromPreset("newDualMulticolorCanvas()");
}

void MainWindow::newCanvasFromDialog()
{
    m_lifecycle->newCanvasFromDialog();
}

QString MainWindow::chooseSavePath(const QString &proposedPath)
{
    return QFileDialog::getSaveFileName(this, tr("Save Project"), proposedPath,
                                        ProjectFileFlow::projectFilter());
}

bool MainWindow::saveProject()
{
    return ProjectFileFlow(*this).saveProject();
}

bool MainWindow::saveProjectAs()
{
    return ProjectFileFlow(*this).saveProjectAs();
}

void MainWindow::setPaletteVariant(QAction *action)
{
    m_canvas->setPaletteVariant(PaletteVariant(action->data().toInt()));
    if (m_dashboards)
        m_dashboards->documentChanged();
}

void MainWindow::setDisplayPixelAspect(QAction *action)
{
    m_canvas->setDisplayPixelAspect(action->data().toDouble());
}

void MainWindow::setHiresClashResolution(QAction *action)
{
    m_project.setHiresClashResolution(HiresClashResolution(action->data().toInt()));
}

void MainWindow::setSpriteCountPolicy(QAction *action)
{
    m_project.setSpriteCountPolicy(SpriteCountPolicy(action->data().toInt()));
    m_canvas->update();
}

void MainWindow::refreshActionRules()
{
    if (m_menuState)
        m_menuState->refreshActionRules();
}

void MainWindow::refreshSelectionActions()
{
    m_menuState->refreshSelectionActions();
    // Selection steps and floats have an undo of their own.
    refreshUndoActions();
}

void MainWindow::rectSelectToolToggled(bool active)
{
    m_selection->toolToggled(SelectTool::Rectangle, active);
}

void MainWindow::lassoSelectToolToggled(bool active)
{
    m_selection->toolToggled(SelectTool::Lasso, active);
}

void MainWindow::shapeToolToggled(bool active)
{
    m_shapes->toolToggled(active);
    if (!m_menuState)
        return; // the entries are still being built
    refreshActionRules();
    refreshUndoActions();
}

void MainWindow::setShapeKind(QAction *action)
{
    m_shapes->setKind(action->data().toInt());
}

void MainWindow::discardShapes()
{
    if (!m_shapes->discard())
        showStatusMessage(tr("Discard shapes cancelled."), StatusMessageMs);
}

void MainWindow::syncGroupsFromDocument()
{
    m_menuState->syncGroupsFromDocument();
    if (m_dashboards)
        m_dashboards->documentChanged();
}

void MainWindow::assignColorSlot(ColorAssignmentWidget::Slot slot, Qt::MouseButton button)
{
    m_edits->assignColorSlot(slot, button);
}

void MainWindow::setDashboardsVisible(bool visible)
{
    // The menus hand the entry's first state over before the bars exist.
    if (m_dashboards)
        m_dashboards->setVisible(visible);
}

void MainWindow::resolveAllClashes()
{
    m_edits->resolveAllClashes();
}

void MainWindow::exportPrg()
{
    PrgExportFlow(this).run();
}

void MainWindow::sendToUltimate()
{
    UltimateSendFlow(this).run();
}

void MainWindow::setLiveOnUltimate(bool on)
{
    if (!m_liveFlow)
        m_liveFlow = new LiveUltimateFlow(this);
    m_liveFlow->setLive(on);
}

void MainWindow::reduceBorderSprites()
{
    m_edits->reduceBorderSprites();
}

void MainWindow::swapColors()
{
    m_edits->swapColors();
}

void MainWindow::replaceColors()
{
    m_edits->replaceColors();
}

void MainWindow::flipCanvas(Qt::Orientation orientation)
{
    m_edits->flipCanvas(orientation);
}

void MainWindow::setTopBorderAlignment(QAction *action)
{
    m_edits->setBorderAlignment(0, BorderAlignment(action->data().toInt()));
    // A refused change leaves the menu showing the document's alignment.
    syncGroupsFromDocument();
}

void MainWindow::setBottomBorderAlignment(QAction *action)
{
    m_edits->setBorderAlignment(1, BorderAlignment(action->data().toInt()));
    syncGroupsFromDocument();
}
