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
    return cliRunEdit(command, args, [](Project &project) { return reduceBorderSprites(project); });
}

} // namespace
