#include "clicommand.h"
#include "document/pluraltranslator.h"

#include <QCoreApplication>

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

} // namespace

int main(int argc, char *argv[])
{
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
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help"))
        return printHelp();
    if (name == QLatin1String("--version")) {
        cliOut(QStringLiteral("korven-cli %1").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const CliCommand *command = CliRegistry::find(name);
    if (!command) {
        cliErr(
            QStringLiteral("korven-cli: unknown command \"%1\" (see korven-cli --help)").arg(name));
        return 2;
    }
    return command->run(args);
}
