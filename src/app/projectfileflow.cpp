#include "projectfileflow.h"

#include "editorsession.h"
#include "lastfolders.h"
#include "openprojectdialog.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "document/project.h"
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
    return tr("KORVEN Project (*.%1);;All Files (*)").arg(QLatin1String(ProjectFileExtension));
}

bool ProjectFileFlow::maybeSave()
{
    // Staged shapes and a floating selection are unsaved work too. They stay
    // as they are until the answer is Save, so Cancel changes nothing.
    const CanvasArea *canvas = m_session.canvas();
    if (!m_session.project().history().isModified() && canvas->shapeTool()->stagedCount() == 0 &&
        !canvas->selectTool()->hasFloat())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        m_session.dialogParent(), tr("KORVEN"),
        tr("The project has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Save:
        if (m_session.isFileTaskBusy())
            return false;
        if (m_session.projectPath().isEmpty())
            return saveProjectAs();
        return saveProjectTo(m_session.projectPath());
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
    const ProjectFileResult result = m_session.runProjectFileTask(
        tr("Opening %1...").arg(name),
        [loaded, path](const auto &progress) { return loadProjectFile(path, *loaded, progress); });
    if (result.cancelled) {
        m_session.showStatusMessage(tr("Open cancelled."), StatusMessageMs);
        return result;
    }
    if (!result.ok) {
        QMessageBox::warning(
            m_session.dialogParent(), tr("KORVEN"),
            tr("Could not open %1: %2").arg(QDir::toNativeSeparators(path), result.errorMessage));
        return result;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::ProjectKey), path);
    RecentProjects::addRecent(path);
    m_session.adoptProject(std::move(*loaded), path);
    m_session.showStatusMessage(tr("Opened %1.").arg(name), StatusMessageMs);
    return result;
}

void ProjectFileFlow::openProject()
{
    if (m_session.isFileTaskBusy() || !maybeSave())
        return;
    const QString start = m_session.projectPath().isEmpty()
                              ? LastFolders::lastDir(QLatin1String(LastFolders::ProjectKey))
                              : QFileInfo(m_session.projectPath()).absolutePath();
    QString path;
    if (!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) {
        path = QFileDialog::getOpenFileName(m_session.dialogParent(), tr("Open Project"), start,
                                            projectFilter());
    } else {
        OpenProjectDialog dialog(m_session.dialogParent(), start,
                                 m_session.project().paletteVariant());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty()) {
        m_session.showStatusMessage(tr("Open cancelled."), StatusMessageMs);
        return;
    }
    loadProjectFromFile(path);
}

void ProjectFileFlow::openRecentProject(const QString &path)
{
    if (m_session.isFileTaskBusy() || !maybeSave())
        return;
    const ProjectFileResult result = loadProjectFromFile(path);
    // A recent entry that no longer opens as a project leaves the list.
    if (!result.ok && !result.cancelled)
        RecentProjects::removeRecent(path);
}

bool ProjectFileFlow::saveProject()
{
    if (m_session.isFileTaskBusy())
        return false;
    if (m_session.projectPath().isEmpty())
        return saveProjectAs();
    return saveProjectTo(m_session.projectPath());
}

bool ProjectFileFlow::saveProjectAs()
{
    if (m_session.isFileTaskBusy())
        return false;
    QString proposed = m_session.projectPath();
    if (proposed.isEmpty()) {
        const QString proposedName = m_session.proposedName();
        const QString base = proposedName.isEmpty() ? QStringLiteral("untitled") : proposedName;
        proposed = LastFolders::lastDir(QLatin1String(LastFolders::ProjectKey)) + QLatin1Char('/') +
                   base + QLatin1String(".kvn");
    }
    QString path = m_session.chooseSavePath(proposed);
    if (path.isEmpty()) {
        m_session.showStatusMessage(tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".kvn");
    return saveProjectTo(path);
}

bool ProjectFileFlow::saveProjectTo(const QString &path)
{
    m_session.settleStagedWork();
    // The worker writes a copy, so the document is never read off the main thread.
    auto snapshot = std::make_shared<const Project>(m_session.project());
    const ProjectFileResult result = m_session.runProjectFileTask(
        tr("Saving %1...").arg(QFileInfo(path).fileName()), [snapshot, path](const auto &progress) {
            return saveProjectFile(*snapshot, path, progress);
        });
    if (result.ok) {
        LastFolders::storeDir(QLatin1String(LastFolders::ProjectKey), path);
        RecentProjects::addRecent(path);
        m_session.project().history().markClean();
        m_session.setProjectPath(path);
        m_session.showStatusMessage(tr("Saved %1.").arg(QFileInfo(path).fileName()),
                                    StatusMessageMs);
        return true;
    }
    if (result.cancelled) {
        m_session.showStatusMessage(tr("Save cancelled."), StatusMessageMs);
        return false;
    }
    QMessageBox::warning(
        m_session.dialogParent(), tr("KORVEN"),
        tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), result.errorMessage));
    return false;
}
