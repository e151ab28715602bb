#include "clicommand.h"

#include "document/project.h"
#include "script/scriptrunner.h"

#include <QFile>
#include <QFileInfo>

namespace
{

// Runs a Lua script against a project as one undoable edit and saves the
// result; the script's print output goes to standard output. A script that
// fails leaves OUT unwritten.
int runScript(const QStringList &args);

const CliCommand command{QStringLiteral("script"),
                         QStringLiteral("script SCRIPT.lua IN.kvn OUT.kvn [ARG ...]"), runScript};
const CliRegistration registration(command);

// A script file, or the name of a bundled script ("starfield").
bool readScript(const QString &name, QByteArray &source, QString &path)
{
    path = name;
    if (!QFileInfo::exists(path)) {
        for (const QString &bundled : ScriptRunner::bundledScripts())
            if (QFileInfo(bundled).completeBaseName() == name)
                path = bundled;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    source = file.readAll();
    return true;
}

int runScript(const QStringList &args)
{
    if (args.size() < 3)
        return cliUsageError(command);
    QByteArray source;
    QString path;
    if (!readScript(args.at(0), source, path)) {
        cliErr(QStringLiteral("cannot read script %1").arg(args.at(0)));
        return 1;
    }
    Project project;
    if (!cliLoadProject(args.at(1), project))
        return 1;
    ScriptEnvironment env;
    env.name = QFileInfo(path).fileName();
    env.args = args.mid(3);
    env.print = [](const QString &line) { cliOut(line); };
    if (project.mode() == CanvasMode::Multicolor)
        env.secondary = project.slot(ColorSlot::Background);
    const ScriptOutcome outcome = ScriptRunner::run(project, source, env);
    if (!outcome.ok()) {
        cliErr(outcome.message);
        return 1;
    }
    if (outcome.refusedPixels > 0)
        cliErr(QStringLiteral("%1 pixels were refused by the colour rules")
                   .arg(outcome.refusedPixels));
    return cliSaveProject(project, args.at(2)) ? 0 : 1;
}

} // namespace
