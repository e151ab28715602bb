#include "projectfiletask.h"

#include "filetaskinputblocker.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QPromise>
#include <QtConcurrent>

ProjectFileResult ProjectFileTask::run(QWidget *parent, const QString &label,
                                       const ProjectTask &task)
{
    QProgressDialog dialog(label, tr("Cancel"), 0, 0, parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(MinimumDurationMs);
    QObject::connect(&dialog, &QDialog::rejected, &dialog, &QProgressDialog::cancel);
    const FileTaskInputBlocker blocker(&dialog);

    QFutureWatcher<ProjectFileResult> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QObject::connect(&watcher, &QFutureWatcherBase::progressRangeChanged, &dialog,
                     &QProgressDialog::setRange);
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &dialog,
                     &QProgressDialog::setValue);
    QObject::connect(&dialog, &QProgressDialog::canceled, &watcher, &QFutureWatcherBase::cancel);
    QObject::connect(&dialog, &QDialog::rejected, &watcher, &QFutureWatcherBase::cancel);

    QFuture<ProjectFileResult> future = QtConcurrent::run(
        QThreadPool::globalInstance(), [task](QPromise<ProjectFileResult> &promise) {
            bool ranged = false;
            const ProgressCallback progress = [&](qint64 done, qint64 total) {
                if (!ranged) {
                    promise.setProgressRange(0, int(total));
                    ranged = true;
                }
                promise.setProgressValue(int(done));
                return !promise.isCanceled();
            };
            promise.addResult(task(progress));
        });
    watcher.setFuture(future);
    if (!watcher.isFinished())
        loop.exec();
    // The worker stops at its next progress report; it must be gone before
    // the caller touches what it worked on.
    future.waitForFinished();
    if (future.isCanceled())
        return {false, true, {}};
    return future.result();
}
