#include "crashrecovery.h"

#include "editorsession.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "document/project.h"
#include "history/projectfile.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QtConcurrent>

namespace
{

constexpr int StatusMessageMs = 5000;

std::pair<int, int> historyState(const Project &project)
{
    return {project.history().revision(), project.history().position()};
}

// How long the window must rest before unsaved work is written; the
// environment may shorten it, for a quick look at the recovery files.
int idleMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("KORVEN_RECOVERY_IDLE_MS", &ok);
    return ok && ms > 0 ? ms : CrashRecovery::DefaultIdleMs;
}

} // namespace

CrashRecovery::CrashRecovery(EditorSession *session)
    : QObject(session->dialogParent()), m_session(session),
      m_store(std::make_unique<RecoveryStore>(defaultFolder()))
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(idleMs());
    m_periodTimer.setSingleShot(true);
    m_periodTimer.setInterval(PeriodMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CrashRecovery::writeNow);
    connect(&m_periodTimer, &QTimer::timeout, this, &CrashRecovery::writeNow);
    connect(&m_writer, &QFutureWatcher<ProjectFileResult>::finished, this,
            &CrashRecovery::writeFinished);
}

CrashRecovery::~CrashRecovery()
{
    // The file goes only once the write that makes it is over.
    m_writer.waitForFinished();
}

QString CrashRecovery::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QLatin1String("/recovery");
}

void CrashRecovery::documentStateChanged()
{
    const Project &project = m_session->project();
    if (!project.history().isModified()) {
        m_idleTimer.stop();
        m_periodTimer.stop();
        m_written = {-1, -1};
        // A write still running is cleared away when it ends.
        if (m_hasFile && !m_writer.isRunning()) {
            m_store->removeFiles();
            m_hasFile = false;
        }
        return;
    }
    if (historyState(project) == m_written)
        return;
    m_idleTimer.start();
    // Drawing that never pauses is still written now and then.
    if (!m_periodTimer.isActive())
        m_periodTimer.start();
}

void CrashRecovery::documentReplaced()
{
    m_writer.waitForFinished();
    m_store->renew();
    m_hasFile = false;
    m_written = {-1, -1};
    documentStateChanged();
}

void CrashRecovery::writeNow()
{
    if (m_writer.isRunning()) {
        m_writeAgain = true;
        return;
    }
    const Project &project = m_session->project();
    if (!project.history().isModified() || historyState(project) == m_written)
        return;
    // Mid-stroke, mid-drag or with a lifted selection the pixels are not yet
    // what the history says; wait for the next pause.
    CanvasArea *canvas = m_session->canvas();
    if (m_session->isFileTaskBusy() || !m_session->wholeCanvasEditAllowed() ||
        canvas->selectTool()->hasFloat()) {
        m_idleTimer.start();
        return;
    }
    const QString path = m_store->projectFile();
    if (path.isEmpty())
        return;
    m_idleTimer.stop();
    m_periodTimer.stop();
    m_store->writeOriginalPath(m_session->projectPath());
    // The worker writes a copy, as a save does, so the pen never waits.
    auto snapshot = std::make_shared<const Project>(project);
    m_writing = historyState(project);
    m_writer.setFuture(
        QtConcurrent::run([snapshot, path] { return saveProjectFile(*snapshot, path); }));
}

void CrashRecovery::writeFinished()
{
    if (m_writer.result().ok) {
        m_written = m_writing;
        m_hasFile = true;
    }
    if (!m_session->project().history().isModified()) {
        documentStateChanged();
        return;
    }
    if (std::exchange(m_writeAgain, false) || historyState(m_session->project()) != m_written)
        documentStateChanged();
}

void CrashRecovery::offerRestore()
{
    const QList<RecoveryStore::Orphan> orphans = m_store->claimOrphans();
    for (const RecoveryStore::Orphan &orphan : orphans) {
        const QString name = orphan.originalPath.isEmpty()
                                 ? tr("an untitled project")
                                 : QFileInfo(orphan.originalPath).fileName();
        QMessageBox box(QMessageBox::Question, tr("KORVEN"),
                        tr("KORVEN did not close properly last time.\nRestore the unsaved work "
                           "on %1?")
                            .arg(name),
                        QMessageBox::NoButton, m_session->dialogParent());
        box.setInformativeText(tr("Discard deletes the rescued copy for good."));
        QPushButton *restoreButton = box.addButton(tr("Restore"), QMessageBox::AcceptRole);
        box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(restoreButton);
        box.exec();
        if (box.clickedButton() != restoreButton) {
            m_store->finishOrphan(orphan.projectFile);
            continue;
        }
        if (restore(orphan))
            m_store->finishOrphan(orphan.projectFile);
        // One document at a time: the rest wait for the next start.
        break;
    }
    m_store->releaseOrphans();
}

bool CrashRecovery::restore(const RecoveryStore::Orphan &orphan)
{
    auto loaded = std::make_shared<Project>();
    const QString path = orphan.projectFile;
    const ProjectFileResult result = m_session->runProjectFileTask(
        tr("Restoring unsaved work..."),
        [loaded, path](const auto &progress) { return loadProjectFile(path, *loaded, progress); });
    if (!result.ok) {
        if (!result.cancelled) {
            QMessageBox::warning(
                m_session->dialogParent(), tr("KORVEN"),
                tr("Could not restore %1: %2")
                    .arg(QDir::toNativeSeparators(orphan.projectFile), result.errorMessage));
        }
        return false;
    }
    // Nothing of it is saved: the title says so and closing asks.
    loaded->history().markUnsaved();
    m_session->adoptProject(std::move(*loaded), orphan.originalPath);
    m_session->showStatusMessage(tr("Restored the unsaved work."), StatusMessageMs);
    return true;
}
