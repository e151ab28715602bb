#include "mainwindow.h"

#include "elidedlabel.h"
#include "lastfolders.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "document/canvaspreset.h"
#include "history/projectfile.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    createCentralWidget();
    createActions();
    createStatusBar();

    m_messageTimer.setSingleShot(true);
    connect(&m_messageTimer, &QTimer::timeout, this,
            [this] { m_messageLabel->setFullText(QString()); });

    setAcceptDrops(true);
    updateWindowTitle();
    resize(500, 500);
    readSettings();
    refreshUndoActions();
    // Best fit stays on across the first resizes, so the document shows whole.
    m_canvas->zoomBestFit();
    canvasStatusChanged();
}

// The drawing area works on the window's document for the window's whole life.
void MainWindow::createCentralWidget()
{
    m_canvas = new CanvasArea(m_project, this);
    setCentralWidget(m_canvas);
    connect(m_canvas, &CanvasArea::historyChanged, this, &MainWindow::refreshUndoActions);
    connect(m_canvas, &CanvasArea::statusChanged, this, &MainWindow::canvasStatusChanged);
}

void MainWindow::createActions()
{
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QMenu *presets = fileMenu->addMenu(tr("Presets"));
    // The presets in menu order; each names the slot that builds it.
    for (const char *slot :
         {"newHiresCanvas", "newHiresSpritesCanvas", "newHiresTopBottomSpritesCanvas",
          "newMulticolorCanvas", "newMulticolorSpritesCanvas",
          "newMulticolorTopBottomSpritesCanvas", "newDualHiresCanvas", "newDualMulticolorCanvas"}) {
        for (const CanvasPreset &preset : CanvasPreset::all()) {
            if (qstrcmp(preset.slot, slot) == 0) {
                presets->addAction(tr(preset.text), this,
                                   [this, slot] { newCanvasFromPreset(slot); });
            }
        }
    }
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Save"), QKeySequence::Save, this, &MainWindow::saveProject);
    fileMenu->addAction(tr("Save As..."), QKeySequence(QStringLiteral("Ctrl+Shift+S")), this,
                        &MainWindow::saveProjectAs);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Print..."), m_canvas, &CanvasArea::print);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("Exit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *editMenu = menuBar()->addMenu(tr("&Edit"));
    m_undoAction = editMenu->addAction(tr("Undo"), QKeySequence::Undo, this, &MainWindow::undo);
    m_redoAction = editMenu->addAction(tr("Redo"), QKeySequence::Redo, this, &MainWindow::redo);
    m_clearHistoryAction =
        editMenu->addAction(tr("Clear History"), this, &MainWindow::clearHistory);

    createOptionsMenu();

    QMenu *viewMenu = menuBar()->addMenu(tr("&View"));
    viewMenu->addAction(tr("Zoom In"), QKeySequence::ZoomIn, m_canvas, &CanvasArea::zoomIn);
    viewMenu->addAction(tr("Zoom Out"), QKeySequence::ZoomOut, m_canvas, &CanvasArea::zoomOut);
    viewMenu->addAction(tr("Actual Size"), QKeySequence(QStringLiteral("Ctrl+0")), m_canvas,
                        &CanvasArea::zoomActualSize);
    viewMenu->addAction(tr("Best Fit"), QKeySequence(QStringLiteral("Ctrl+Shift+0")), m_canvas,
                        &CanvasArea::zoomBestFit);
    viewMenu->addAction(tr("Reset Rotation"), QKeySequence(QStringLiteral("Ctrl+R")), m_canvas,
                        &CanvasArea::resetRotation);
    viewMenu->addAction(tr("Reset Rotation && Best Fit"), QKeySequence(QStringLiteral("Ctrl+Home")),
                        m_canvas, &CanvasArea::resetRotationAndBestFit);
    viewMenu->addSeparator();
    const auto addToggle = [&](const QString &text, const QKeySequence &key,
                               void (CanvasArea::*set)(bool)) {
        QAction *action = viewMenu->addAction(text);
        action->setShortcut(key);
        action->setCheckable(true);
        connect(action, &QAction::toggled, m_canvas, set);
    };
    addToggle(tr("Show Reference Grids"), QKeySequence(QStringLiteral("Shift+H")),
              &CanvasArea::setGridVisible);
    addToggle(tr("Show Pixel Grids"), QKeySequence(QStringLiteral("Shift+Z")),
              &CanvasArea::setPixelGridVisible);
    addToggle(tr("Show Safe Frames"), QKeySequence(), &CanvasArea::setSafeFramesVisible);
}

namespace
{

enum class ToolId { Pen, Eraser, Fill, Eyedropper, Pan, SymmetryAxes };

} // namespace

void MainWindow::createOptionsMenu()
{
    QMenu *options = menuBar()->addMenu(tr("&Options"));
    QAction *noFillPreview = options->addAction(tr("Disable Fill Preview"));
    noFillPreview->setCheckable(true);
    const QString fillPreviewKey = QStringLiteral("tools/disableFillPreview");
    noFillPreview->setChecked(QSettings().value(fillPreviewKey, false).toBool());
    m_canvas->setFillPreviewEnabled(!noFillPreview->isChecked());
    connect(noFillPreview, &QAction::toggled, this, [this, fillPreviewKey](bool on) {
        m_canvas->setFillPreviewEnabled(!on);
        QSettings().setValue(fillPreviewKey, on);
    });
    options->addSeparator();

    m_toolGroup = new QActionGroup(this);
    connect(m_toolGroup, &QActionGroup::triggered, this, &MainWindow::selectTool);
    const auto addTool = [this](QMenu *menu, const QString &text, const char *key, ToolId id) {
        QAction *action = menu->addAction(text);
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
        action->setCheckable(true);
        action->setData(int(id));
        m_toolGroup->addAction(action);
        return action;
    };
    // Radio entries carry their value in the action's data.
    const auto addGroup = [this](QMenu *menu, const QStringList &texts, int checked,
                                 void (CanvasArea::*set)(int)) {
        auto *group = new QActionGroup(menu);
        for (int i = 0; i < texts.size(); ++i) {
            QAction *action = menu->addAction(texts[i]);
            action->setCheckable(true);
            action->setChecked(i == checked);
            action->setData(i);
            group->addAction(action);
        }
        connect(group, &QActionGroup::triggered, m_canvas,
                [this, set](QAction *a) { (m_canvas->*set)(a->data().toInt()); });
    };
    QAction *pen = addTool(options, tr("Pen Tool"), "B", ToolId::Pen);
    pen->setChecked(true);
    pen->setToolTip(tr("Pen (freehand drawing; the default tool)"));
    addTool(options, tr("Eraser Tool"), "E", ToolId::Eraser);
    addTool(options, tr("Fill Tool"), "G", ToolId::Fill);
    addGroup(options->addMenu(tr("Fill Contour Placement")),
             {tr("Center"), tr("Outside"), tr("Inside")}, int(m_canvas->contourPlacement()),
             &CanvasArea::setContourPlacement);
    addTool(options, tr("Eyedropper Tool"), "I", ToolId::Eyedropper);
    addTool(options, tr("Pan Tool"), "H", ToolId::Pan);
    options->addSeparator();

    QMenu *symmetry = options->addMenu(tr("Symmetry"));
    addGroup(symmetry,
             {tr("None"), tr("Horizontal"), tr("Vertical"), tr("Quadrant"), tr("Bi-Quadrant"),
              tr("Kaleidoscope")},
             int(m_canvas->symmetryMode()), &CanvasArea::setSymmetryMode);
    symmetry->addSeparator();
    addTool(symmetry, tr("Move Axes"), "Y", ToolId::SymmetryAxes);
    symmetry->addAction(tr("Reset Axes to Center"), m_canvas, &CanvasArea::resetSymmetryAxes);
    symmetry->addSeparator();
    QAction *applyToFill = symmetry->addAction(tr("Apply to Flood Fill"));
    applyToFill->setCheckable(true);
    connect(applyToFill, &QAction::toggled, m_canvas, &CanvasArea::setSymmetryApplyToFill);
}

void MainWindow::selectTool(QAction *action)
{
    const auto id = ToolId(action->data().toInt());
    const std::pair<ToolId, void (CanvasArea::*)(bool)> tools[] = {
        {ToolId::Eraser, &CanvasArea::setEraserTool},
        {ToolId::Fill, &CanvasArea::setFillTool},
        {ToolId::Eyedropper, &CanvasArea::setEyedropperTool},
        {ToolId::Pan, &CanvasArea::setPanTool},
        {ToolId::SymmetryAxes, &CanvasArea::setSymmetryAxesTool}};
    // Every other tool goes off first, which leaves the pen, the canvas's
    // fallback, when the pen was chosen.
    for (const auto &[tool, set] : tools)
        if (tool != id)
            (m_canvas->*set)(false);
    for (const auto &[tool, set] : tools)
        if (tool == id)
            (m_canvas->*set)(true);
}

void MainWindow::canvasStatusChanged()
{
    StatusInputs inputs = m_statusInputs;
    inputs.roundBrush = m_canvas->brushSettings().shape == BrushShape::Round;
    inputs.penWidth = m_canvas->brushSettings().width;
    inputs.hoverValid = m_canvas->isHoverValid();
    inputs.hoverPixel = m_canvas->hoverPixel();
    setStatusInputs(inputs);
}

bool MainWindow::isCanvasBusy() const
{
    return m_fileTaskBusy || m_canvas->penStrokeInProgress() || m_canvas->isGestureUnderWay();
}

void MainWindow::undo()
{
    if (isCanvasBusy())
        return;
    // A tool holding steps of its own (staged shapes, a selection) takes
    // them back first, and the history is left alone.
    if (CanvasTool *tool = m_canvas->activeTool(); tool && tool->hasLocalUndo()) {
        tool->undoLocal();
        m_canvas->update();
        refreshUndoActions();
        return;
    }
    if (!m_project.history().canUndo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().undo(m_project));
}

void MainWindow::redo()
{
    if (isCanvasBusy() || !m_project.history().canRedo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().redo(m_project));
}

void MainWindow::showHistoryStep(const QRect &dirty)
{
    // A step that only changed slots or alignments shows through the frame
    // and overlays; pixels need the artwork rebuilt.
    if (dirty.isNull())
        m_canvas->update();
    else
        m_canvas->refreshWholeImage();
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
    m_undoAction->setEnabled(history.canUndo() || (tool && tool->hasLocalUndo()));
    m_redoAction->setEnabled(history.canRedo());
    m_clearHistoryAction->setEnabled(history.nodeCount() > 0);
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

    statusBar()->addPermanentWidget(container, 1);
}

void MainWindow::readSettings()
{
    // The window and view groups are restored here as their actions arrive.
    const QByteArray geometry = QSettings().value(QStringLiteral("window/geometry")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void MainWindow::writeSettings()
{
    QSettings().setValue(QStringLiteral("window/geometry"), saveGeometry());
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
    const StatusFields fields = StatusTexts::fields(m_project, m_statusInputs);
    m_modeLabel->setFullText(fields.mode);
    m_sizeLabel->setFullText(fields.size);
    m_aspectLabel->setFullText(fields.aspect);
    m_brushLabel->setFullText(fields.brush);
    m_zoomLabel->setFullText(fields.zoom);
    m_rotationLabel->setFullText(fields.rotation);
    m_charLabel->setFullText(fields.charCell);
    m_spriteLabel->setFullText(fields.sprite);
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
}

bool MainWindow::maybeSave()
{
    // Staged shapes on the canvas will count as unsaved work here too once
    // the canvas view is wired in.
    if (!m_project.history().isModified())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("KORVEN"), tr("The project has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Save:
        if (m_fileTaskBusy)
            return false;
        if (m_projectPath.isEmpty())
            return saveProjectAs();
        return saveProjectTo(m_projectPath);
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void MainWindow::openProjectLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] {
        if (m_fileTaskBusy)
            return;
        // Reading projects lands with the project workflows; until then the
        // window says so plainly instead of pretending to open `path`.
        Q_UNUSED(path);
        showStatusMessage(tr("Opening projects is not available in this build yet."),
                          StatusMessageMs);
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (maybeSave()) {
        writeSettings();
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

void MainWindow::resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross)
{
    // The palette, the display pixel shape and the two rule policies are the
    // artist's choices, not the document's: they survive a new canvas.
    const PaletteVariant palette = m_project.paletteVariant();
    const double aspect = m_project.view().displayAspect();
    const HiresClashResolution resolution = m_project.hiresClashResolution();
    const SpriteCountPolicy policy = m_project.spriteCountPolicy();

    m_project = Project(mode, -1, -1, layout, screensAcross);
    m_project.setPaletteVariant(palette);
    m_project.view().setDisplayAspect(aspect);
    m_project.setHiresClashResolution(resolution);
    m_project.setSpriteCountPolicy(policy);

    m_projectPath.clear();
    m_proposedName.clear();
    m_canvas->reloadProject();
    refreshUndoActions();
    updateStatusBar();
}

QString MainWindow::chooseSavePath(const QString &proposedPath)
{
    return QFileDialog::getSaveFileName(
        this, tr("Save Project"), proposedPath,
        tr("KORVEN Project (*.%1);;All Files (*)").arg(QLatin1String("kvn")));
}

bool MainWindow::saveProject()
{
    if (m_fileTaskBusy)
        return false;
    if (m_projectPath.isEmpty())
        return saveProjectAs();
    return saveProjectTo(m_projectPath);
}

bool MainWindow::saveProjectAs()
{
    if (m_fileTaskBusy)
        return false;
    QString proposed = m_projectPath;
    if (proposed.isEmpty()) {
        const QString base = m_proposedName.isEmpty() ? QStringLiteral("untitled") : m_proposedName;
        proposed = LastFolders::lastDir(QLatin1String(LastFolders::ProjectKey)) + QLatin1Char('/') +
                   base + QLatin1String(".kvn");
    }
    QString path = chooseSavePath(proposed);
    if (path.isEmpty()) {
        showStatusMessage(tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".kvn");
    return saveProjectTo(path);
}

bool MainWindow::saveProjectTo(const QString &path)
{
    // Written synchronously for now; the background task with its progress
    // dialog takes over here with the project workflows.
    const ProjectFileResult result = saveProjectFile(m_project, path);
    if (result.ok) {
        m_projectPath = path;
        m_proposedName.clear();
        LastFolders::storeDir(QLatin1String(LastFolders::ProjectKey), path);
        m_project.history().markClean();
        updateWindowTitle();
        showStatusMessage(tr("Saved %1.").arg(QFileInfo(path).fileName()), StatusMessageMs);
        return true;
    }
    if (result.cancelled) {
        showStatusMessage(tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    QMessageBox::warning(
        this, tr("KORVEN"),
        tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), result.errorMessage));
    return false;
}
