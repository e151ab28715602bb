#include "clicommand.h"

#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

namespace
{

// The clash report of a project: whether it clashes, every clashing unit and
// the red frames of its top and bottom borders and its side sprites, as one
// JSON line.
int runClashes(const QStringList &args);

const CliCommand command{QStringLiteral("clashes"), QStringLiteral("clashes FILE.kvn"), runClashes};
const CliRegistration registration(command);

QString rectList(const QList<QRect> &rects)
{
    QStringList parts;
    for (const QRect &r : rects) {
        parts.append(QStringLiteral("[%1,%2,%3,%4]")
                         .arg(r.left())
                         .arg(r.top())
                         .arg(r.right())
                         .arg(r.bottom()));
    }
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

int runClashes(const QStringList &args)
{
    if (args.size() != 1)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(args.at(0), project))
        return 1;
    const ClashContext context = ClashContext::forSweep(project);
    const QList<QRect> units = clashingUnits(context, project.colormap());
    const RedFrameSet frames = redFrameSet(context, project.colormap());
    cliOut(QStringLiteral("{\"hasClash\":%1,\"clashingUnits\":%2,\"redFrames\":{\"top\":%3,"
                          "\"bottom\":%4,\"sides\":%5}}")
               .arg(units.isEmpty() ? QStringLiteral("false") : QStringLiteral("true"),
                    rectList(units), rectList(frames.top), rectList(frames.bottom),
                    rectList(frames.sides)));
    return 0;
}

} // namespace
