#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Project;

// One sub-command of korven-cli. Each command lives in its own source file
// and registers itself with a file-scope CliRegistration, so adding a
// command never touches another file:
//
//   static const CliRegistration registration({"info", "info FILE.kvn", runInfo});
struct CliCommand {
    QString name;
    QString usage;                                   // one line, without "korven-cli "
    std::function<int(const QStringList &args)> run; // args after the command name
};

class CliRegistry
{
public:
    static void add(const CliCommand &command);
    static const CliCommand *find(const QString &name);
    // Sorted by name.
    static QList<CliCommand> commands();
};

struct CliRegistration {
    explicit CliRegistration(const CliCommand &command) { CliRegistry::add(command); }
};

// Output helpers: text goes out as UTF-8, with a newline added.
void cliOut(const QString &line);
void cliErr(const QString &line);
// Prints "usage: korven-cli <usage>" on stderr and returns exit code 2.
int cliUsageError(const CliCommand &command);

// Loads a project file. On failure prints the reader's message on stderr
// and returns false; the caller then exits with 1.
bool cliLoadProject(const QString &path, Project &out);
// Saves a project file. On failure prints the writer's message on stderr.
bool cliSaveProject(const Project &project, const QString &path);
// The arguments of an "IN OUT [--flag]" command: `files` receives the two
// file names and the result says whether the flag was given; nothing when
// the arguments are not of that form.
std::optional<bool> cliTwoFilesAndFlag(const QStringList &args, const QString &flag,
                                       QStringList &files);
// Reads the number after option args[i] and moves i onto it; false when
// there is none or it is not a number.
bool cliTakeInt(const QStringList &args, int &i, int &value);
// [x1,y1,x2,y2] with inclusive corners, or null for an empty rectangle.
QString cliRectJson(const QRect &rect);
// The body of the "IN.kvn OUT.kvn" edit commands: loads IN, runs the edit
// (which records itself in the history), saves OUT and prints the changed
// rectangle as {"changed":[x1,y1,x2,y2]} or {"changed":null}.
int cliRunEdit(const CliCommand &command, const QStringList &args,
               const std::function<QRect(Project &)> &edit);
// The same with arguments after OUT.kvn: `edit` receives them and returns
// nothing when they are not valid, which is a usage error.
int cliRunEdit(const CliCommand &command, const QStringList &args, int extraArgs,
               const std::function<std::optional<QRect>(Project &, const QStringList &)> &edit);
