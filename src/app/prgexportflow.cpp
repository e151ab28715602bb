#include "prgexportflow.h"

#include "clashprompt.h"
#include "filetaskbusy.h"
#include "generalsettings.h"
#include "lastfolders.h"

#include "document/project.h"
#include "exchange/exomizercall.h"
#include "exchange/prgbuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

constexpr int StatusMs = 5000;

QString sysHint(int startAddress, bool basicStart)
{
    if (basicStart)
        return PrgExportFlow::tr(
            "The file is exported uncompressed instead, behind a BASIC line: RUN starts it.");
    return PrgExportFlow::tr(
               "The file is exported uncompressed instead; start it with SYS %1 rather than RUN.")
        .arg(startAddress);
}

} // namespace

PrgExportFlow::PrgExportFlow(EditorSession *session)
    : QObject(session->dialogParent()), m_session(session)
{
}

QString PrgExportFlow::choosePath(const QString &proposedPath)
{
    QFileDialog dialog(m_session->dialogParent(), tr("Export to PRG File As"), proposedPath,
                       tr("PRG Files (*.prg);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("prg"));
    dialog.selectFile(proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void PrgExportFlow::run()
{
    if (m_session->isFileTaskBusy())
        return;
    // As for a save: the program shows what the canvas shows.
    m_session->settleStagedWork();
    const QString cancelled = tr("Export to PRG cancelled.");
    if (!ClashPrompt::confirmClashFree(m_session, tr("an executable PRG file"), cancelled))
        return;
    const QByteArray prg =
        buildCheckedPrg(m_session, tr("Could not export an executable PRG file."));
    if (prg.isEmpty())
        return;
    const QString proposed = LastFolders::lastDir(QLatin1String(LastFolders::PrgExportKey)) +
                             QLatin1Char('/') + m_session->baseExportName() +
                             QStringLiteral(".prg");
    const QString path = choosePath(proposed);
    if (path.isEmpty()) {
        m_session->showStatusMessage(cancelled, StatusMs);
        return;
    }
    QTemporaryDir temporary;
    const QString temporaryPath = temporary.filePath(QFileInfo(path).fileName());
    QFile file(temporaryPath);
    if (!temporary.isValid() || !file.open(QIODevice::WriteOnly) || file.write(prg) != prg.size()) {
        QMessageBox::warning(
            m_session->dialogParent(), tr("KORVEN"),
            tr("Could not write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    file.close();
    const bool basicStart = GeneralSettings::read().prgBasicStart;
    bool userCancelled = false;
    {
        FileTaskBusy busy(m_session);
        userCancelled = compressWithExomizer(
            m_session->dialogParent(), temporaryPath,
            PrgBuilder::startAddress(m_session->project().layout()), basicStart);
    }
    if (userCancelled) {
        m_session->showStatusMessage(cancelled, StatusMs);
        return;
    }
    // The finished program replaces the old file in one step, so a failed
    // write leaves the previous export whole.
    QFile finished(temporaryPath);
    QSaveFile target(path);
    if (!finished.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        QMessageBox::warning(
            m_session->dialogParent(), tr("KORVEN"),
            tr("Could not write %1: %2").arg(QDir::toNativeSeparators(path), target.errorString()));
        return;
    }
    QByteArray bytes = finished.readAll();
    // The cruncher's program starts with RUN; the builder's own, as chosen.
    if (basicStart && bytes == prg)
        bytes = PrgBuilder::withBasicStart(bytes);
    if (target.write(bytes) != bytes.size() || !target.commit()) {
        QMessageBox::warning(m_session->dialogParent(), tr("KORVEN"),
                             tr("Could not write %1.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    LastFolders::storeDir(QLatin1String(LastFolders::PrgExportKey), path);
    QString done = tr("Exported %1.").arg(QFileInfo(path).fileName());
    const QString ntsc = PrgBuilder::ntscHiddenRowsNote(m_session->project());
    if (!ntsc.isEmpty())
        done += QLatin1Char(' ') + ntsc;
    m_session->showStatusMessage(done, StatusMs);
}

QByteArray PrgExportFlow::buildCheckedPrg(EditorSession *session, const QString &failureLine)
{
    QByteArray prg;
    QString error;
    {
        FileTaskBusy busy(session);
        prg = PrgBuilder::buildPrg(session->project(), &error);
    }
    if (prg.isEmpty()) {
        QMessageBox::warning(session->dialogParent(), tr("KORVEN"),
                             tr("%1\n%2\nOptions -> Border Sprites -> Reduce Borders to 8 Sprites "
                                "trims the strips as one undoable edit.")
                                 .arg(failureLine, error));
    }
    return prg;
}

bool PrgExportFlow::compressWithExomizer(QWidget *window, const QString &path, int startAddress,
                                         bool basicStart)
{
    QProgressDialog progress(tr("Compressing %1...").arg(QFileInfo(path).fileName()), tr("Cancel"),
                             0, 0, window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.hide();
    QTimer show;
    show.setSingleShot(true);
    connect(&show, &QTimer::timeout, &progress, &QProgressDialog::show);
    show.start(ProgressDelayMs);
    const CompressOutcome outcome = compressUnder(progress, path, startAddress, basicStart);
    show.stop();
    progress.hide();
    if (!outcome.warning.isEmpty())
        QMessageBox::warning(window, tr("KORVEN"), outcome.warning);
    return outcome.cancelled;
}

PrgExportFlow::CompressOutcome PrgExportFlow::compressUnder(QProgressDialog &progress,
                                                            const QString &path, int startAddress,
                                                            bool basicStart)
{
    const QString cruncher = ExomizerCall::compressorPath(QCoreApplication::applicationDirPath());
    if (!QFileInfo::exists(cruncher)) {
        return {false,
                tr("Could not compress the export: the bundled Exomizer is missing "
                   "(%1).\n%2")
                    .arg(QDir::toNativeSeparators(cruncher), sysHint(startAddress, basicStart))};
    }
    // A cancel pressed before the run would otherwise go unseen.
    if (progress.wasCanceled())
        return {true, {}};
    QProcess process;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool cancelled = false, failedToStart = false, timedOut = false;
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    process.start(cruncher, ExomizerCall::arguments(path, startAddress));
    limit.start(TimeoutMs);
    if (!failedToStart)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (cancelled)
        return {true, {}};
    if (failedToStart || timedOut || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return {false,
                tr("Could not compress the export%1\n%2")
                    .arg(errors.isEmpty() ? QStringLiteral(".") : QStringLiteral(":\n") + errors,
                         sysHint(startAddress, basicStart))};
    }
    return {};
}
