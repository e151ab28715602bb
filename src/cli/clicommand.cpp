#include "clicommand.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <algorithm>
#include <cstdio>

namespace
{

// Function-local so registrations from other files' static initialisers
// never see it unconstructed.
QList<CliCommand> &registry()
{
    static QList<CliCommand> commands;
    return commands;
}

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void CliRegistry::add(const CliCommand &command)
{
    registry().append(command);
}

const CliCommand *CliRegistry::find(const QString &name)
{
    for (const CliCommand &command : registry()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

QList<CliCommand> CliRegistry::commands()
{
    QList<CliCommand> sorted = registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const CliCommand &a, const CliCommand &b) { return a.name < b.name; });
    return sorted;
}

void cliOut(const QString &line)
{
    writeLine(stdout, line);
}

void cliErr(const QString &line)
{
    writeLine(stderr, line);
}

int cliUsageError(const CliCommand &command)
{
    cliErr(QStringLiteral("usage: korven-cli %1").arg(command.usage));
    return 2;
}

bool cliLoadProject(const QString &path, Project &out)
{
    const ProjectFileResult result = loadProjectFile(path, out);
    if (!result.ok)
        cliErr(result.errorMessage);
    return result.ok;
}

bool cliSaveProject(const Project &project, const QString &path)
{
    const ProjectFileResult result = saveProjectFile(project, path);
    if (!result.ok)
        cliErr(result.errorMessage);
    return result.ok;
}

std::optional<bool> cliTwoFilesAndFlag(const QStringList &args, const QString &flag,
                                       QStringList &files)
{
    files = args;
    const bool given = files.removeAll(flag) > 0;
    if (files.size() != 2 || files.at(0).startsWith(QLatin1String("--")) ||
        files.at(1).startsWith(QLatin1String("--")))
        return std::nullopt;
    return given;
}

bool cliTakeInt(const QStringList &args, int &i, int &value)
{
    if (i + 1 >= args.size())
        return false;
    bool ok = false;
    value = args.at(++i).toInt(&ok);
    return ok;
}

QString cliRectJson(const QRect &rect)
{
    if (rect.isEmpty())
        return QStringLiteral("null");
    return QStringLiteral("[%1,%2,%3,%4]")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.right())
        .arg(rect.bottom());
}

int cliRunEdit(const CliCommand &command, const QStringList &args,
               const std::function<QRect(Project &)> &edit)
{
    return cliRunEdit(command, args, 0, [&](Project &project, const QStringList &) {
        return std::optional<QRect>(edit(project));
    });
}

int cliRunEdit(const CliCommand &command, const QStringList &args, int extraArgs,
               const std::function<std::optional<QRect>(Project &, const QStringList &)> &edit)
{
    if (args.size() != 2 + extraArgs)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(args.at(0), project))
        return 1;
    const std::optional<QRect> changed = edit(project, args.mid(2));
    if (!changed)
        return cliUsageError(command);
    if (!cliSaveProject(project, args.at(1)))
        return 1;
    cliOut(QStringLiteral("{\"changed\":%1}").arg(cliRectJson(*changed)));
    return 0;
}
