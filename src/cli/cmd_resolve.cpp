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
    return cliRunEdit(command, args, [](Project &project) { return resolveAllClashes(project); });
}

} // namespace
