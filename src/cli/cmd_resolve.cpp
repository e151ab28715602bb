#include "clicommand.h"

#include "document/project.h"
#include "rules/ruleedits.h"

namespace
{

// Merges away every clash as one undoable edit and saves the result, so the
// saved history holds the edit.
int runResolve(const QStringList &args);

const CliCommand command{QStringLiteral("resolve"), QStringLiteral("resolve IN.kvn OUT.kvn"),
                         runResolve};
const CliRegistration registration(command);

int runResolve(const QStringList &args)
{
    if (args.size() != 2)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(args.at(0), project))
        return 1;
    const QRect changed = resolveAllClashes(project);
    if (!cliSaveProject(project, args.at(1)))
        return 1;
    cliOut(changed.isEmpty() ? QStringLiteral("{\"changed\":null}")
                             : QStringLiteral("{\"changed\":[%1,%2,%3,%4]}")
                                   .arg(changed.left())
                                   .arg(changed.top())
                                   .arg(changed.right())
                                   .arg(changed.bottom()));
    return 0;
}

} // namespace
