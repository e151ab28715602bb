#include "ultimatesendflow.h"

#include "clashprompt.h"
#include "editorsession.h"
#include "filetaskbusy.h"
#include "filetaskinputblocker.h"
#include "prgexportflow.h"

#include "document/project.h"
#include "exchange/prgbuilder.h"
#include "exchange/ultimateclient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <limits>

namespace
{

constexpr int StatusMs = 5000;

} // namespace

UltimateSendFlow::UltimateSendFlow(EditorSession *session)
    : QObject(session->dialogParent()), m_session(session)
{
}

bool UltimateSendFlow::run()
{
    if (m_session->isFileTaskBusy())
        return false;
    // As for a save: the device shows what the canvas shows.
    m_session->settleStagedWork();
    const QString cancelled = tr("Send to the Ultimate device cancelled.");
    if (!ClashPrompt::confirmClashFree(m_session, tr("to the Ultimate device"), cancelled))
        return false;
    const FileTaskBusy busy(m_session);
    const QByteArray prg =
        PrgExportFlow::buildCheckedPrg(m_session, tr("Could not send to the Ultimate device."));
    if (prg.isEmpty())
        return false;

    // Read now, so a change in the settings applies from the next send on.
    const QSettings settings;
    const QString host =
        settings.value(QLatin1String(HostKey), QLatin1String(DefaultHost)).toString();
    const double timeout =
        settings.value(QLatin1String(TimeoutKey), DefaultTimeoutSeconds).toDouble();
    const QString password = settings.value(QLatin1String(PasswordKey)).toString();

    QProgressDialog progress(tr("Sending to the Ultimate device at %1...").arg(host), tr("Cancel"),
                             0, 3, m_session->dialogParent());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // The dialog's own guess of when to appear would show it early once the
    // value moves; the timer below alone decides.
    progress.setMinimumDuration(std::numeric_limits<int>::max());
    progress.setValue(0);
    connect(&progress, &QDialog::rejected, &progress, &QProgressDialog::cancel);
    QTimer show;
    show.setSingleShot(true);
    connect(&show, &QTimer::timeout, &progress, &QProgressDialog::show);
    QElapsedTimer since;
    since.start();
    show.start(ProgressDelayMs);
    // A box must never sit under the application-modal dialog: the dialog
    // steps aside while it is up, and comes back when the send goes on.
    const auto warn = [&](const QString &text, bool goingOn) {
        show.stop();
        const bool wasShown = progress.isVisible();
        progress.hide();
        QMessageBox::warning(m_session->dialogParent(), tr("KORVEN"), text);
        if (!goingOn)
            return;
        if (wasShown)
            progress.show();
        else
            show.start(int(qMax<qint64>(0, ProgressDelayMs - since.elapsed())));
    };

    // Nothing stays on the disk: the directory goes with this scope.
    QTemporaryDir temporary;
    const QString path = temporary.filePath(m_session->baseExportName() + QStringLiteral(".prg"));
    {
        QFile file(path);
        if (!temporary.isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(prg) != prg.size()) {
            warn(tr("Could not write %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString()),
                 false);
            return false;
        }
    }
    // The program always goes out behind a BASIC line, so the warning says RUN.
    const PrgExportFlow::CompressOutcome crunched = PrgExportFlow::compressUnder(
        progress, path, PrgBuilder::startAddress(m_session->project().layout()), true);
    if (crunched.cancelled) {
        m_session->showStatusMessage(cancelled, StatusMs);
        return false;
    }
    // An uncompressed program runs as well; the warning says how to start it.
    if (!crunched.warning.isEmpty())
        warn(crunched.warning, true);

    QByteArray bytes;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            warn(tr("Could not read back %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString()),
                 false);
            return false;
        }
        // An uncompressed program gets a BASIC line, so the device's RUN starts it.
        bytes = PrgBuilder::withBasicStart(file.readAll());
    }
    progress.setValue(1);

    QString error;
    bool sent = false;
    {
        const FileTaskInputBlocker blocker(&progress);
        const UltimateClient::CancelCheck cancelCheck = [&progress] {
            return progress.wasCanceled();
        };
        sent = UltimateClient::checkDevice(host, timeout, &error, cancelCheck, password);
        if (sent) {
            progress.setValue(2);
            // A cancel that came as the check ended must not start the program.
            sent = !progress.wasCanceled() &&
                   UltimateClient::runPrg(bytes, host, timeout, &error, cancelCheck, password);
        }
    }
    if (sent) {
        progress.setValue(3);
        show.stop();
        progress.hide();
        m_session->showStatusMessage(tr("Sent to the Ultimate device at %1.").arg(host), StatusMs);
    } else if (progress.wasCanceled()) {
        show.stop();
        progress.hide();
        m_session->showStatusMessage(cancelled, StatusMs);
    } else {
        warn(tr("Could not send to the Ultimate device at %1.\n%2").arg(host, error), false);
    }
    return sent;
}
