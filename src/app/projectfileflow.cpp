#include "projectfileflow.h"

#include "lastfolders.h"
#include "mainactions.h"
#include "mainwindow.h"
#include "openprojectdialog.h"
#include "selectioncommands.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "history/projectfile.h"
#include "history/recentprojects.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

QString ProjectFileFlow::projectFilter()
{
    return MainWindow::tr("KORVEN Project (*.%1);;All Files (*)")
        .arg(QLatin1String(ProjectFileExtension));
}

bool ProjectFileFlow::maybeSave()
{
    // Staged shapes and a floating selection are unsaved work too. They stay
    // as they are until the answer is Save, so Cancel changes nothing.
    const CanvasArea *canvas = m_window.m_canvas;
    if (!m_window.m_project.history().isModified() && canvas->shapeTool()->stagedCount() == 0 &&
        !canvas->selectTool()->hasFloat())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        &m_window, MainWindow::tr("KORVEN"),
        MainWindow::tr("The project has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Save:
        if (m_window.m_fileTaskBusy)
            return false;
        if (m_window.m_projectPath.isEmpty())
            return saveProjectAs();
        return saveProjectTo(m_window.m_projectPath);
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

ProjectFileResult ProjectFileFlow::loadProjectFromFile(const QString &path)
{
    auto loaded = std::make_shared<Project>();
    const QString name = QFileInfo(path).fileName();
    const ProjectFileResult result = m_window.runProjectFileTask(
        MainWindow::tr("Opening %1...").arg(name),
        [loaded, path](const auto &progress) { return loadProjectFile(path, *loaded, progress); });
    if (result.cancelled) {
        m_window.showStatusMessage(MainWindow::tr("Open cancelled."), StatusMessageMs);
        return result;
    }
    if (!result.ok) {
        QMessageBox::warning(&m_window, MainWindow::tr("KORVEN"),
                             MainWindow::tr("Could not open %1: %2")
                                 .arg(QDir::toNativeSeparators(path), result.errorMessage));
        return result;
    }
    // With no pixel shape checked the view keeps the one it shows.
    const double aspect = m_window.m_actions->checkedValue(
        QStringLiteral("aspect"), m_window.m_project.view().displayAspect());
    m_window.m_project = std::move(*loaded);
    m_window.m_projectPath = path;
    m_window.m_proposedName.clear();
    LastFolders::storeDir(QLatin1String(LastFolders::ProjectKey), path);
    RecentProjects::addRecent(path);
    m_window.m_canvas->reloadProject();
    // The palette and the pixel shape on screen are the artist's, not the file's.
    m_window.m_canvas->setPaletteVariant(
        PaletteVariant(m_window.m_actions->checkedValue(QStringLiteral("palette"))));
    m_window.m_canvas->setDisplayPixelAspect(aspect);
    m_window.documentReplaced();
    m_window.showStatusMessage(MainWindow::tr("Opened %1.").arg(name), StatusMessageMs);
    return result;
}

void ProjectFileFlow::openProject()
{
    if (m_window.m_fileTaskBusy || !maybeSave())
        return;
    const QString start = m_window.m_projectPath.isEmpty()
                              ? LastFolders::lastDir(QLatin1String(LastFolders::ProjectKey))
                              : QFileInfo(m_window.m_projectPath).absolutePath();
    QString path;
    if (!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) {
        path = QFileDialog::getOpenFileName(&m_window, MainWindow::tr("Open Project"), start,
                                            projectFilter());
    } else {
        OpenProjectDialog dialog(&m_window, start, m_window.m_project.paletteVariant());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty()) {
        m_window.showStatusMessage(MainWindow::tr("Open cancelled."), StatusMessageMs);
        return;
    }
    loadProjectFromFile(path);
}

void ProjectFileFlow::openRecentProject(const QString &path)
{
    if (m_window.m_fileTaskBusy || !maybeSave())
        return;
    const ProjectFileResult result = loadProjectFromFile(path);
    // A recent entry that no longer opens as a project leaves the list.
    if (!result.ok && !result.cancelled)
        RecentProjects::removeRecent(path);
}

bool ProjectFileFlow::saveProject()
{
    if (m_window.m_fileTaskBusy)
        return false;
    if (m_window.m_projectPath.isEmpty())
        return saveProjectAs();
    return saveProjectTo(m_window.m_projectPath);
}

bool ProjectFileFlow::saveProjectAs()
{
    if (m_window.m_fileTaskBusy)
        return false;
    QString proposed = m_window.m_projectPath;
    if (proposed.isEmpty()) {
        const QString base = m_window.m_proposedName.isEmpty() ? QStringLiteral("untitled")
                                                               : m_window.m_proposedName;
        proposed = LastFolders::lastDir(QLatin1String(LastFolders::ProjectKey)) + QLatin1Char('/') +
                   base + QLatin1String(".kvn");
    }
    QString path = m_window.chooseSavePath(proposed);
    if (path.isEmpty()) {
        m_window.showStatusMessage(MainWindow::tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".kvn");
    return saveProjectTo(path);
}

bool ProjectFileFlow::saveProjectTo(const QString &path)
{
    m_window.m_selection->settle();
    // The worker writes a copy, so the document is never read off the main thread.
    auto snapshot = std::make_shared<const Project>(m_window.m_project);
    const ProjectFileResult result =
        m_window.runProjectFileTask(MainWindow::tr("Saving %1...").arg(QFileInfo(path).fileName()),
                                    [snapshot, path](const auto &progress) {
                                        return saveProjectFile(*snapshot, path, progress);
                                    });
    if (result.ok) {
        m_window.m_projectPath = path;
        m_window.m_proposedName.clear();
        LastFolders::storeDir(QLatin1String(LastFolders::ProjectKey), path);
        RecentProjects::addRecent(path);
        m_window.m_project.history().markClean();
        m_window.updateWindowTitle();
        m_window.showStatusMessage(MainWindow::tr("Saved %1.").arg(QFileInfo(path).fileName()),
                                   StatusMessageMs);
        return true;
    }
    if (result.cancelled) {
        m_window.showStatusMessage(MainWindow::tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    QMessageBox::warning(&m_window, MainWindow::tr("KORVEN"),
                         MainWindow::tr("Could not save %1: %2")
                             .arg(QDir::toNativeSeparators(path), result.errorMessage));
    return false;
}
