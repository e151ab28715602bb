#include "clicommand.h"

#include "document/project.h"
#include "rules/ruleedits.h"

namespace
{

// Clears the border columns beyond the 8-sprite budget as one undoable edit
// and saves the result with that edit in its history.
int runReduceBorders(const QStringList &args);

const CliCommand command{QStringLiteral("reduce-borders"),
                         QStringLiteral("reduce-borders IN.kvn OUT.kvn"), runReduceBorders};
const CliRegistration registration(command);

int runReduceBorders(const QStringList &args)
{
    if (args.size() != 2)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(args.at(0), project))
        return 1;
    const QRect changed = reduceBorderSprites(project);
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
