#include "mainwindow.h"

#include "aboutdialog.h"
#include "convertimageflow.h"
#include "crashrecovery.h"
#include "dashboardcontroller.h"
#include "elidedlabel.h"
#include "exportimageflow.h"
#include "firststart.h"
#include "imageimportflow.h"
#include "liveultimateflow.h"
#include "mainactions.h"
#include "newcanvasdialog.h"
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
#include "ultimatesendflow.h"
#include "usermanualwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "document/canvaspreset.h"
#include "document/geometry.h"
#include "history/recentprojects.h"
#include "paint/paintsettings.h"
#include "rules/ruleedits.h"
#include "rules/wholecanvasedits.h"
#include "widgets/previewarea.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

namespace
{

constexpr int StatusMessageMs = 5000;
constexpr char OnlineManualUrl[] = "https://korvensoft.net/korven/manual/";

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    createCentralWidget();
    m_actions = new MainActions(this, m_canvas, m_paintSettings, menuBar());
    m_preview = new PreviewController(this, m_canvas, m_actions);
    m_selection->setActions(m_actions);
    m_settings = new SettingsFlow(this, m_canvas, m_actions);
    connect(m_settings, &SettingsFlow::invertZoomWheelApplied, m_preview->area(),
            &PreviewArea::setInvertWheel);
    connect(m_settings, &SettingsFlow::restorePreviewGeometry, m_preview,
            &PreviewController::restoreGeometry);
    connect(m_settings, &SettingsFlow::storePreviewGeometry, m_preview,
            &PreviewController::storeGeometry);
    connect(m_actions, &MainActions::penColorChosen, this, &MainWindow::setPenColor);
    m_recentMenu = new RecentMenu(
        m_actions->action(QStringLiteral("fileMenu"))->menu(),
        m_actions->action(QStringLiteral("openRecentMenu"))->menu(), this,
        SLOT(openRecentProject()), [this] { return m_project.paletteVariant(); },
        [this] { return menuBar()->isNativeMenuBar(); });
    m_dashboards = new DashboardController(this, m_canvas, m_actions);
    connect(m_settings, &SettingsFlow::flyoutTimesApplied, m_dashboards,
            &DashboardController::setFlyoutTimes);
    m_scripts = new ScriptFlow(this, m_actions->action(QStringLiteral("scriptsMenu"))->menu());
    createStatusBar();
    m_recovery = new CrashRecovery(this);

    m_messageTimer.setSingleShot(true);
    connect(&m_messageTimer, &QTimer::timeout, this,
            [this] { m_messageLabel->setFullText(QString()); });

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
    canvasStatusChanged();
    showStartHint();
}

void MainWindow::showStartHint()
{
    if (m_project.history().nodeCount() > 0)
        return;
    m_startHint = FirstStart::hint();
    m_messageLabel->setFullText(m_startHint);
}

void MainWindow::endStartHint()
{
    // Another message may have taken its place already.
    if (m_messageLabel->fullText() == m_startHint)
        m_messageLabel->setFullText(QString());
    m_startHint.clear();
}

// The drawing area works on the window's document for the window's whole life.
void MainWindow::createCentralWidget()
{
    m_paintSettings = new PaintSettings(this);
    m_canvas = new CanvasArea(m_project, *m_paintSettings, this);
    setCentralWidget(m_canvas);
    m_selection = new SelectionCommands(m_canvas, this);
    m_shapes = new ShapeCommands(m_canvas, this);
    connect(m_canvas, &CanvasArea::historyChanged, this, &MainWindow::refreshUndoActions);
    connect(m_canvas, &CanvasArea::statusChanged, this, &MainWindow::canvasStatusChanged);
    connect(m_canvas, &CanvasArea::selectionChanged, this, &MainWindow::refreshSelectionActions);
    connect(m_canvas, &CanvasArea::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, 5000); });
}

void MainWindow::canvasStatusChanged()
{
    StatusInputs inputs = m_statusInputs;
    inputs.roundBrush = m_paintSettings->brushSettings().shape == BrushShape::Round;
    inputs.penWidth = m_paintSettings->brushSettings().width;
    inputs.hoverValid = m_canvas->isHoverValid();
    inputs.hoverPixel = m_canvas->hoverPixel();
    setStatusInputs(inputs);
}

bool MainWindow::isCanvasBusy() const
{
    return m_fileTaskBusy || m_canvas->isGestureUnderWay() || !wholeCanvasEditAllowed();
}

bool MainWindow::wholeCanvasEditAllowed() const
{
    const CanvasTool *tool = m_canvas->activeTool();
    return !m_canvas->penStrokeInProgress() && !(tool && tool->pressedButton() != Qt::NoButton);
}

void MainWindow::undo()
{
    if (m_fileTaskBusy)
        return;
    // A tool holding steps of its own (staged shapes, a selection) takes
    // them back first, and the history is left alone.
    if (CanvasTool *tool = m_canvas->activeTool(); tool && tool->hasLocalUndo()) {
        if (tool->undoLocal()) {
            m_canvas->update();
            refreshUndoActions();
            return;
        }
    }
    // A floating selection waits for its drop or discard.
    if (isCanvasBusy() || m_canvas->selectTool()->hasFloat() || !m_project.history().canUndo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().undo(m_project));
}

void MainWindow::redo()
{
    if (isCanvasBusy() || m_canvas->selectTool()->hasFloat() || !m_project.history().canRedo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().redo(m_project));
}

void MainWindow::showHistoryStep(const QRect &dirty)
{
    // A step that only changed slots or alignments shows through the frame
    // and overlays, in both windows; pixels need the artwork rebuilt.
    if (dirty.isNull()) {
        m_canvas->update();
        m_preview->area()->update();
    } else
        m_canvas->refreshWholeImage();
    syncGroupsFromDocument();
    refreshUndoActions();
}

void MainWindow::clearHistory()
{
    if (isCanvasBusy() || m_project.history().nodeCount() == 0)
        return;
    const auto answer = QMessageBox::warning(
        this, tr("KORVEN"),
        tr("Clear the whole history of changes?\n\nThe canvas keeps its current content, but every "
           "workstage behind it is discarded and this cannot be undone."),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    m_project.history().clear();
    refreshUndoActions();
}

void MainWindow::refreshUndoActions()
{
    updateWindowTitle();
    const History &history = m_project.history();
    const CanvasTool *tool = m_canvas->activeTool();
    m_actions->setAvailableEnabled(QStringLiteral("undo"),
                                   history.canUndo() || (tool && tool->hasLocalUndo()));
    m_actions->setAvailableEnabled(QStringLiteral("redo"), history.canRedo());
    m_actions->setAvailableEnabled(QStringLiteral("clearHistory"), history.nodeCount() > 0);
    m_actions->setAvailableEnabled(QStringLiteral("saveWorkstages"), history.canUndo());
    // Stage steps arrive here too: the stage entries and the count follow them.
    const int staged = m_canvas->shapeTool()->stagedCount();
    for (const char *name : {"commitShapes", "discardShapes"})
        m_actions->setAvailableEnabled(QLatin1String(name), staged > 0);
    if (m_statusInputs.stagedShapes != staged) {
        m_statusInputs.stagedShapes = staged;
        updateStatusBar();
    }
}

void MainWindow::createStatusBar()
{
    auto *container = new QWidget(this);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);

    const auto addField = [&](const char *name, int stretch) {
        auto *label = new ElidedLabel(container);
        label->setObjectName(QLatin1String(name));
        label->setContentsMargins(6, 0, 6, 0);
        layout->addWidget(label, stretch);
        return label;
    };
    m_modeLabel = addField("statusMode", 3);
    m_sizeLabel = addField("statusSize", 2);
    m_aspectLabel = addField("statusAspect", 2);
    m_brushLabel = addField("statusBrush", 2);
    m_zoomLabel = addField("statusZoom", 2);
    m_rotationLabel = addField("statusRotation", 2);
    m_charLabel = addField("statusChar", 2);
    m_spriteLabel = addField("statusSprite", 2);
    m_messageLabel = addField("statusMessage", 3);
    // Shown only while shapes wait on the stage.
    m_stageLabel = addField("statusStage", 2);
    m_stageLabel->hide();

    statusBar()->addPermanentWidget(container, 1);
}

void MainWindow::showSettings()
{
    m_settings->showSettings();
}

void MainWindow::showStatusMessage(const QString &text, int milliseconds)
{
    m_messageLabel->setFullText(text);
    m_messageTimer.start(milliseconds);
}

void MainWindow::setStatusInputs(const StatusInputs &inputs)
{
    m_statusInputs = inputs;
    updateStatusBar();
}

void MainWindow::updateStatusBar()
{
    // The bars are built before the status bar and already fit the view.
    if (!m_modeLabel)
        return;
    const StatusFields fields = StatusTexts::fields(m_project, m_statusInputs);
    m_modeLabel->setFullText(fields.mode);
    m_sizeLabel->setFullText(fields.size);
    m_aspectLabel->setFullText(fields.aspect);
    m_brushLabel->setFullText(fields.brush);
    m_zoomLabel->setFullText(fields.zoom);
    m_rotationLabel->setFullText(fields.rotation);
    m_charLabel->setFullText(fields.charCell);
    m_spriteLabel->setFullText(fields.sprite);
    m_stageLabel->setFullText(fields.stage);
    m_stageLabel->setVisible(!fields.stage.isEmpty());
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
    if (!m_startHint.isEmpty() && m_project.history().nodeCount() > 0)
        endStartHint();
}

bool MainWindow::maybeSave()
{
    return ProjectFileFlow(*this).maybeSave();
}

void MainWindow::openProjectLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] {
        if (m_fileTaskBusy || !maybeSave())
            return;
        loadProjectFromFile(path);
    });
}

ProjectFileResult MainWindow::runProjectFileTask(const QString &label, const ProjectTask &task)
{
    m_fileTaskBusy = true;
    const ProjectFileResult result = ProjectFileTask::run(this, label, task);
    m_fileTaskBusy = false;
    return result;
}

ProjectFileResult MainWindow::loadProjectFromFile(const QString &path)
{
    return ProjectFileFlow(*this).loadProjectFromFile(path);
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

QString MainWindow::baseExportName() const
{
    if (!m_projectPath.isEmpty())
        return QFileInfo(m_projectPath).completeBaseName();
    if (!m_proposedName.isEmpty())
        return m_proposedName;
    return QStringLiteral("untitled");
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
    newCanvasFromPreset("newHiresCanvas");
}
void MainWindow::newHiresSpritesCanvas()
{
    newCanvasFromPreset("newHiresSpritesCanvas");
}
void MainWindow::newHiresTopBottomSpritesCanvas()
{
    newCanvasFromPreset("newHiresTopBottomSpritesCanvas");
}
void MainWindow::newMulticolorCanvas()
{
    newCanvasFromPreset("newMulticolorCanvas");
}
void MainWindow::newMulticolorSpritesCanvas()
{
    newCanvasFromPreset("newMulticolorSpritesCanvas");
}
void MainWindow::newMulticolorTopBottomSpritesCanvas()
{
    newCanvasFromPreset("newMulticolorTopBottomSpritesCanvas");
}
void MainWindow::newDualHiresCanvas()
{
    newCanvasFromPreset("newDualHiresCanvas");
}
void MainWindow::newDualMulticolorCanvas()
{
    newCanvasFromPreset("newDualMulticolorCanvas");
}

void MainWindow::newCanvasFromDialog()
{
    if (m_fileTaskBusy || !maybeSave())
        return;
    // The prompt comes first, so answering it never throws the dialog's choices away.
    NewCanvasDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        showStatusMessage(tr("New canvas cancelled."), StatusMessageMs);
        return;
    }
    LayoutSpec layout;
    layout.layout = dialog.layout();
    resetDocument(dialog.mode(), layout, dialog.screensAcross(), dialog.canvasSize());
}

void MainWindow::newCanvasFromPreset(const char *slotName)
{
    if (m_fileTaskBusy || !maybeSave())
        return;
    for (const CanvasPreset &preset : CanvasPreset::all()) {
        if (qstrcmp(preset.slot, slotName) == 0) {
            LayoutSpec layout;
            layout.layout = preset.layout;
            resetDocument(preset.mode, layout, preset.screens);
            return;
        }
    }
}

void MainWindow::resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                               QSize size)
{
    const double aspect =
        m_actions->checkedValue(QStringLiteral("aspect"), m_project.view().displayAspect());
    m_project = Project(mode, size.width(), size.height(), layout, screensAcross);
    // The palette, the display pixel shape and the two rule policies are the
    // artist's choices in the menus, not the document's: a new canvas takes them.
    m_project.setPaletteVariant(PaletteVariant(m_actions->checkedValue(QStringLiteral("palette"))));
    m_project.view().setDisplayAspect(aspect);
    m_project.setHiresClashResolution(
        HiresClashResolution(int(m_actions->checkedValue(QStringLiteral("clash")))));
    m_project.setSpriteCountPolicy(
        SpriteCountPolicy(int(m_actions->checkedValue(QStringLiteral("spritePolicy")))));

    m_projectPath.clear();
    m_proposedName.clear();
    m_canvas->reloadProject();
    documentReplaced();
}

void MainWindow::documentReplaced()
{
    m_recovery->documentReplaced();
    // A reference image belongs to the session, not to any project.
    m_canvas->setReferenceImage(QImage());
    m_dashboards->documentReplaced();
    syncGroupsFromDocument();
    refreshUndoActions();
    canvasStatusChanged();
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

bool MainWindow::saveProjectTo(const QString &path)
{
    return ProjectFileFlow(*this).saveProjectTo(path);
}

std::optional<int> MainWindow::choosePenWidth(int current)
{
    bool ok = false;
    const int width =
        QInputDialog::getInt(this, tr("KORVEN"), tr("Select pen width:"), current,
                             BrushSettings::MinWidth, BrushSettings::MaxMenuWidth, 1, &ok);
    return ok ? std::optional<int>(width) : std::nullopt;
}

void MainWindow::penWidth()
{
    if (const std::optional<int> width = choosePenWidth(m_paintSettings->brushSettings().width))
        changePenWidth(*width);
}

void MainWindow::decreasePenWidth()
{
    changePenWidth(m_paintSettings->brushSettings().width - 1);
}

void MainWindow::increasePenWidth()
{
    changePenWidth(m_paintSettings->brushSettings().width + 1);
}

void MainWindow::changePenWidth(int width)
{
    m_paintSettings->setPenWidth(
        std::clamp(width, BrushSettings::MinWidth, BrushSettings::MaxMenuWidth));
    canvasStatusChanged();
    refreshActionRules();
}

void MainWindow::setPressureWidening(bool on)
{
    m_paintSettings->setPressureWidening(on);
    // The menus hand the switch its first state while they are being built.
    if (m_actions)
        refreshActionRules();
}

void MainWindow::setFillPreviewDisabled(bool on)
{
    m_paintSettings->setFillPreviewEnabled(!on);
}

void MainWindow::setPenColor(int index)
{
    m_paintSettings->setPenIndex(quint8(index));
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

void MainWindow::setBrushShape(QAction *action)
{
    m_paintSettings->setBrushShape(BrushShape(action->data().toInt()));
    canvasStatusChanged();
}

void MainWindow::setTextureMode(QAction *action)
{
    m_paintSettings->setTextureMode(TextureMode(action->data().toInt()));
}

void MainWindow::setSymmetryMode(QAction *action)
{
    m_paintSettings->setSymmetryMode(action->data().toInt());
}

void MainWindow::setContourPlacement(QAction *action)
{
    m_paintSettings->setContourPlacement(action->data().toInt());
}

// The exclusive tool group switches the old tool off before the new one on;
// switching every other tool off leaves the canvas's fallback, the pen.
void MainWindow::fillToolToggled(bool active)
{
    m_canvas->setFillTool(active);
}

void MainWindow::eyedropperToolToggled(bool active)
{
    m_canvas->setEyedropperTool(active);
}

void MainWindow::eraserToolToggled(bool active)
{
    m_canvas->setEraserTool(active);
}

void MainWindow::panToolToggled(bool active)
{
    m_canvas->setPanTool(active);
}

void MainWindow::symmetryToolToggled(bool active)
{
    m_canvas->setSymmetryAxesTool(active);
}

void MainWindow::refreshActionRules()
{
    ActionState state;
    state.mode = m_project.mode();
    state.layout = m_project.layoutSpec().layout;
    state.borderFrame = m_project.hasBorderFrame();
    state.penWidth = m_paintSettings->brushSettings().width;
    state.pressureWidening = m_paintSettings->pressureWidening();
    state.referenceImage = !m_canvas->referenceImage().isNull();
    state.recentProjects = !RecentProjects::loadRecent().isEmpty();
    state.selection = !m_canvas->selectTool()->selection().isEmpty();
    state.clipboard = !m_canvas->selectTool()->isClipboardEmpty();
    state.stagedShapes = m_canvas->shapeTool()->stagedCount();
    m_actions->applyRules(state);
    if (!state.referenceImage)
        m_actions->action(QStringLiteral("showReferenceLayer"))->setChecked(false);
}

void MainWindow::refreshSelectionActions()
{
    const bool selection = !m_canvas->selectTool()->selection().isEmpty();
    const std::pair<const char *, std::pair<const char *, const char *>> renamed[] = {
        {"flipHorizontally", {"Flip Horizontally", "Flip Selection Horizontally"}},
        {"flipVertically", {"Flip Vertically", "Flip Selection Vertically"}},
        {"exportImage", {"Export to Image As...", "Export Selection to Image As..."}}};
    for (const auto &[name, texts] : renamed) {
        m_actions->action(QLatin1String(name))
            ->setText(
                QCoreApplication::translate("MenuTable", selection ? texts.second : texts.first));
    }
    for (const char *name : {"deselect", "invertSelection", "cut", "copy"})
        m_actions->setAvailableEnabled(QLatin1String(name), selection);
    for (const char *name : {"paste", "pasteTransparent"})
        m_actions->setAvailableEnabled(QLatin1String(name),
                                       !m_canvas->selectTool()->isClipboardEmpty());
    // Selection steps and floats have an undo of their own.
    refreshUndoActions();
}

void MainWindow::cutSelection()
{
    m_selection->cut();
}

void MainWindow::copySelection()
{
    m_selection->copy();
}

void MainWindow::pasteOpaque()
{
    m_selection->paste(false);
}

void MainWindow::pasteTransparent()
{
    m_selection->paste(true);
}

void MainWindow::selectAll()
{
    m_selection->selectAll();
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
    if (!m_actions)
        return; // the entries are still being built
    refreshActionRules();
    refreshUndoActions();
}

void MainWindow::setShapeKind(QAction *action)
{
    m_shapes->setKind(action->data().toInt());
}

void MainWindow::setFilledShapes(bool filled)
{
    m_shapes->setFilled(filled);
}

void MainWindow::commitShapes()
{
    m_shapes->commit();
}

void MainWindow::discardShapes()
{
    if (!m_shapes->discard())
        showStatusMessage(tr("Discard shapes cancelled."), StatusMessageMs);
}

void MainWindow::syncGroupsFromDocument()
{
    m_actions->checkValue(QStringLiteral("palette"), m_project.paletteVariant());
    m_actions->checkValue(QStringLiteral("clash"), int(m_project.hiresClashResolution()));
    m_actions->checkValue(QStringLiteral("spritePolicy"), int(m_project.spriteCountPolicy()));
    m_actions->checkValue(QStringLiteral("top"), int(m_project.layoutSpec().topAlignment));
    m_actions->checkValue(QStringLiteral("bottom"), int(m_project.layoutSpec().bottomAlignment));
    m_actions->checkValue(QStringLiteral("brush"), int(m_paintSettings->brushSettings().shape));
    m_actions->checkValue(QStringLiteral("texture"), int(m_paintSettings->textureMode()));
    m_actions->checkValue(QStringLiteral("symmetry"), int(m_paintSettings->symmetryMode()));
    m_actions->checkValue(QStringLiteral("contour"), int(m_paintSettings->contourPlacement()));
    refreshActionRules();
    if (m_dashboards)
        m_dashboards->documentChanged();
}

void MainWindow::runWholeCanvasEdit(const std::function<QRect()> &edit)
{
    if (!wholeCanvasEditAllowed())
        return;
    m_selection->settle();
    const int revision = m_project.history().revision();
    edit();
    // Slot and alignment changes show too, so look at the history, not the pixels.
    if (m_project.history().revision() == revision)
        return;
    m_canvas->setConnectPoint(std::nullopt);
    m_canvas->refreshWholeImage();
    syncGroupsFromDocument();
    refreshUndoActions();
}

void MainWindow::assignColorSlot(ColorAssignmentWidget::Slot slot, Qt::MouseButton button)
{
    const quint8 color =
        button == Qt::RightButton ? m_paintSettings->secondaryIndex() : m_paintSettings->penIndex();
    runWholeCanvasEdit([this, slot, color] { return ::assignColorSlot(m_project, slot, color); });
}

void MainWindow::setDashboardsVisible(bool visible)
{
    // The menus hand the entry's first state over before the bars exist.
    if (m_dashboards)
        m_dashboards->setVisible(visible);
}

void MainWindow::resolveAllClashes()
{
    runWholeCanvasEdit([this] { return ::resolveAllClashes(m_project); });
}

void MainWindow::runScript()
{
    if (m_scripts)
        m_scripts->chooseAndRun();
}

void MainWindow::openScriptFolder()
{
    if (m_scripts)
        m_scripts->openFolder();
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
    runWholeCanvasEdit([this] { return ::reduceBorderSprites(m_project); });
}

void MainWindow::swapColors()
{
    runWholeCanvasEdit([this] {
        const QRegion selection = m_canvas->selectTool()->selection();
        return swapOrReplaceColors(m_project, true, m_paintSettings->penIndex(),
                                   m_paintSettings->secondaryIndex(),
                                   {selection.begin(), selection.end()});
    });
}

void MainWindow::replaceColors()
{
    runWholeCanvasEdit([this] {
        const QRegion selection = m_canvas->selectTool()->selection();
        return swapOrReplaceColors(m_project, false, m_paintSettings->penIndex(),
                                   m_paintSettings->secondaryIndex(),
                                   {selection.begin(), selection.end()});
    });
}

void MainWindow::flipCanvas(Qt::Orientation orientation)
{
    // With a selection the selection flips, as a float.
    if (!m_canvas->selectTool()->selection().isEmpty()) {
        if (wholeCanvasEditAllowed())
            m_canvas->flipSelection(orientation);
        return;
    }
    runWholeCanvasEdit([this, orientation] { return ::flipCanvas(m_project, orientation); });
}

void MainWindow::setTopBorderAlignment(QAction *action)
{
    runWholeCanvasEdit([this, action] {
        return setBorderAlignment(m_project, 0, BorderAlignment(action->data().toInt()), true);
    });
    // A refused change leaves the menu showing the document's alignment.
    syncGroupsFromDocument();
}

void MainWindow::setBottomBorderAlignment(QAction *action)
{
    runWholeCanvasEdit([this, action] {
        return setBorderAlignment(m_project, 1, BorderAlignment(action->data().toInt()), true);
    });
    syncGroupsFromDocument();
}

void MainWindow::zoomIn()
{
    m_preview->zoomIn();
}

void MainWindow::zoomOut()
{
    m_preview->zoomOut();
}

void MainWindow::zoomActualSize()
{
    m_preview->zoomActualSize();
}

void MainWindow::zoomBestFit()
{
    m_preview->zoomBestFit();
}

void MainWindow::resetRotationAndBestFit()
{
    m_preview->resetRotationAndBestFit();
}
