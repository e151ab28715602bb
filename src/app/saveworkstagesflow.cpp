#include "saveworkstagesflow.h"

#include "editorsession.h"
#include "exportimageflow.h"
#include "filetaskbusy.h"
#include "lastfolders.h"
#include "saveworkstagesdialog.h"

#include "document/project.h"
#include "exchange/workstagesequence.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

void SaveWorkstagesFlow::run()
{
    EditorSession &w = m_session;
    if (w.isFileTaskBusy())
        return;
    // As for a save: the last frame shows what the canvas shows.
    w.settleStagedWork();
    const Project &project = w.project();
    const int total = project.history().workstageCount();
    if (total < 2)
        return;
    const auto cancelled = [&] {
        w.showStatusMessage(tr("Saving workstages cancelled."), StatusMessageMs);
    };
    SaveWorkstagesDialog dialog(total, w.dialogParent());
    if (dialog.exec() != QDialog::Accepted) {
        cancelled();
        return;
    }
    bool borders = false;
    if (project.hasBorderFrame() &&
        !ExportImageFlow::askIncludeBorders(w.dialogParent(), tr("Save Workstages"), borders)) {
        cancelled();
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        w.dialogParent(), tr("Save Workstages"),
        LastFolders::lastDir(QLatin1String(LastFolders::WorkstagesKey)));
    if (folder.isEmpty()) {
        cancelled();
        return;
    }
    const QList<int> frames =
        WorkstageSequence::selectFrames(dialog.frameCount(), total,
                                        dialog.smart() ? WorkstageSequence::Reduction::Smart
                                                       : WorkstageSequence::Reduction::Uniform);
    // Undo, redo and the file commands wait until the frames are written.
    const FileTaskBusy busy(&w);
    QProgressDialog progress(tr("Saving workstages..."), tr("Cancel"), 0, int(frames.size()),
                             w.dialogParent());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    const WorkstageSequence::Result result = WorkstageSequence::write(
        project, frames, folder, w.baseExportName(), borders, [&](int done) {
            progress.setValue(done);
            QApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (!result.error.isEmpty()) {
        QMessageBox::warning(w.dialogParent(), tr("KORVEN"), result.error);
        return;
    }
    const int n = int(frames.size());
    if (result.written < n) {
        w.showStatusMessage(
            tr("Saving workstages cancelled after %1 of %2 frames.").arg(result.written).arg(n),
            StatusMessageMs);
        return;
    }
    // The folder itself is remembered, as the next run starts inside it.
    LastFolders::storeDir(QLatin1String(LastFolders::WorkstagesKey),
                          QDir(folder).filePath(QStringLiteral("x")));
    w.showStatusMessage(tr("Saved %1 workstage frames to %2.").arg(n).arg(QDir(folder).dirName()),
                        StatusMessageMs);
}
