#include "clicommand.h"

#include "document/project.h"
#include "exchange/exomizercall.h"
#include "exchange/liveimage.h"
#include "exchange/livesession.h"
#include "exchange/prgcruncher.h"
#include "exchange/ultimateclient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace
{

// send FILE.kvn --host HOST [--password P]: builds and crunches the program
// as the editor's send does and has the device run it once.
// live FILE.kvn --host HOST [--password P]: the same, then writes every
// saved change of the file into the running program until stopped.
int runSend(const QStringList &args);
int runLive(const QStringList &args);

const CliCommand sendCommand{QStringLiteral("send"),
                             QStringLiteral("send IN.kvn --host HOST [--password P] [--timeout S]"),
                             runSend};
const CliRegistration sendRegistration(sendCommand);
const CliCommand liveCommand{QStringLiteral("live"),
                             QStringLiteral("live IN.kvn --host HOST [--password P] [--timeout S]"),
                             runLive};
const CliRegistration liveRegistration(liveCommand);

struct Target {
    QString file;
    LiveSession::Device device;
};

std::optional<Target> parse(const QStringList &args)
{
    Target target;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool valued = i + 1 < args.size();
        if (arg == QLatin1String("--host") && valued) {
            target.device.host = args.at(++i);
        } else if (arg == QLatin1String("--password") && valued) {
            target.device.password = args.at(++i);
        } else if (arg == QLatin1String("--timeout") && valued) {
            bool ok = false;
            target.device.timeoutSeconds = args.at(++i).toDouble(&ok);
            if (!ok)
                return std::nullopt;
        } else if (arg.startsWith(QLatin1Char('-')) || !target.file.isEmpty()) {
            return std::nullopt;
        } else {
            target.file = arg;
        }
    }
    if (target.file.isEmpty() || target.device.host.isEmpty())
        return std::nullopt;
    return target;
}

QString cruncherPath()
{
    return ExomizerCall::compressorPath(QCoreApplication::applicationDirPath());
}

// Builds, crunches and runs the program of `project`; its image, invalid
// when anything failed (said on stderr).
LiveImage sendOnce(const Project &project, const LiveSession::Device &device)
{
    QString error;
    const LiveImage image = LiveImage::fromProject(project, &error);
    if (!image.isValid()) {
        cliErr(error);
        return {};
    }
    QString warning;
    const QByteArray program =
        PrgCruncher::crunch(image.prg(), image.startAddress(), cruncherPath(), &warning);
    if (!warning.isEmpty())
        cliErr(QStringLiteral("%1 The program goes uncompressed (SYS %2).")
                   .arg(warning)
                   .arg(image.startAddress()));
    if (!UltimateClient::checkDevice(device.host, device.timeoutSeconds, &error, {},
                                     device.password) ||
        !UltimateClient::runPrg(program, device.host, device.timeoutSeconds, &error, {},
                                device.password)) {
        cliErr(QStringLiteral("could not send to %1: %2").arg(device.host, error));
        return {};
    }
    cliOut(QStringLiteral("sent %1 bytes to %2").arg(program.size()).arg(device.host));
    return image;
}

int runSend(const QStringList &args)
{
    const std::optional<Target> target = parse(args);
    if (!target)
        return cliUsageError(sendCommand);
    Project project;
    if (!cliLoadProject(target->file, project))
        return 1;
    return sendOnce(project, target->device).isValid() ? 0 : 1;
}

int runLive(const QStringList &args)
{
    const std::optional<Target> target = parse(args);
    if (!target)
        return cliUsageError(liveCommand);
    Project project;
    if (!cliLoadProject(target->file, project))
        return 1;
    const LiveImage running = sendOnce(project, target->device);
    if (!running.isValid())
        return 1;

    LiveImage current = running;
    LiveSession session(
        target->device, [&current](QString *) { return current; }, cruncherPath());
    QObject::connect(&session, &LiveSession::stopped, [](const QString &reason) {
        cliErr(QStringLiteral("live mode stopped: %1").arg(reason));
        QCoreApplication::exit(1);
    });
    // A save replaces the file: wait for the writer to finish, read it
    // whole, and watch the new file.
    const QString path = QFileInfo(target->file).absoluteFilePath();
    QFileSystemWatcher watcher({path});
    QTimer reread;
    reread.setSingleShot(true);
    reread.setInterval(100);
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &reread,
                     qOverload<>(&QTimer::start));
    QObject::connect(&reread, &QTimer::timeout, [&] {
        if (!watcher.files().contains(path))
            watcher.addPath(path);
        Project saved;
        QString error;
        if (!cliLoadProject(path, saved))
            return; // kept as it was until a save reads whole
        const LiveImage next = LiveImage::fromProject(saved, &error);
        if (!next.isValid()) {
            cliErr(error);
            return;
        }
        current = next;
        cliOut(QStringLiteral("changed"));
        session.poke();
    });
    session.start(running);
    // A save made while the program was on its way counts too.
    reread.start();
    cliOut(QStringLiteral("live on %1; stop with Ctrl+C").arg(target->device.host));
    return QCoreApplication::exec();
}

} // namespace
