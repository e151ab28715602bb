#include "clicommand.h"
#include "clipicture.h"
#include "document/pluraltranslator.h"

#include <QCoreApplication>
#include <QFile>

#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace
{

int printHelp()
{
    cliOut(QStringLiteral("usage: korven-cli COMMAND [ARGUMENTS]"));
    cliOut(QString());
    cliOut(QStringLiteral("commands:"));
    for (const CliCommand &command : CliRegistry::commands())
        cliOut(QStringLiteral("  %1").arg(command.usage));
    return 0;
}

// korven-cli is a quick front end carrying only the commands that need no Qt
// GUI (converting a plain PNG, above all), so a pipeline does not pay for
// loading it; everything else, and whatever the front end cannot read, runs
// in korven-cli-full beside it, which carries every command.
int runFullProgram(std::vector<char *> args)
{
    const QString full =
        QCoreApplication::applicationDirPath() + QStringLiteral("/korven-cli-full");
    QByteArray path = QFile::encodeName(full);
    args.front() = path.data();
    args.push_back(nullptr);
    execv(path.constData(), args.data());
    cliErr(QStringLiteral("korven-cli: cannot start %1").arg(full));
    return 127;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef KORVEN_CLI_QUICK
    // A conversion allocates a few large buffers and frees them again; kept
    // on the heap they are not mapped, cleared and unmapped each time.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
    const std::vector<char *> originalArgs(argv, argv + argc);
    QCoreApplication app(argc, argv);
    PluralTranslator::install();
    QCoreApplication::setOrganizationName(QStringLiteral("korvensoft"));
    QCoreApplication::setApplicationName(QStringLiteral("KORVEN"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.1"));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printHelp();
        return 2;
    }
    const QString name = args.takeFirst();
    const CliCommand *command = CliRegistry::find(name);
#ifdef KORVEN_CLI_QUICK
    const int result = command ? command->run(args) : CliNeedsFullProgram;
    return result == CliNeedsFullProgram ? runFullProgram(originalArgs) : result;
#else
    Q_UNUSED(runFullProgram);
#endif
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help"))
        return printHelp();
    if (name == QLatin1String("--version")) {
        cliOut(QStringLiteral("korven-cli %1").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!command) {
        cliErr(
            QStringLiteral("korven-cli: unknown command \"%1\" (see korven-cli --help)").arg(name));
        return 2;
    }
    return command->run(args);
}
