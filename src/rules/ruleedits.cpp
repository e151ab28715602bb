#include "ruleedits.h"

#include "clashcontext.h"
#include "clashrules.h"
#include "spritebudget.h"

#include "document/project.h"

QRect resolveAllClashes(Project &project)
{
    const ClashContext context = ClashContext::forSweep(project);
    const QRect canvas = project.colormap().rect();
    const Colormap before = project.colormap().copy(canvas);
    const QRect changed = resolveClashes(context, project.colormap(), canvas);
    if (changed.isEmpty())
        return QRect();
    HistoryNode node;
    node.kind = HistoryEntryKind::ResolveAllClashes;
    recordRegionChange(project, node, canvas, before);
    project.history().push(node);
    return changed;
}

QRect reduceBorderSprites(Project &project)
{
    const ClashContext context = ClashContext::forSweep(project);
    HistoryNode node;
    node.kind = HistoryEntryKind::ReduceBorderSprites;
    QRect changed;
    for (const CanvasRegion &region : project.regions()) {
        const QList<QRect> over = overBudgetSprites(context, project.colormap(), region);
        if (over.isEmpty())
            continue;
        const Colormap before = project.colormap().copy(region.rect);
        const quint8 background = borderBackground(context, region.kind);
        for (const QRect &column : over)
            project.colormap().fillRect(column, background);
        const qsizetype recorded = node.changes.size();
        recordRegionChange(project, node, region.rect, before);
        if (node.changes.size() > recorded)
            changed |= node.changes.last().rect;
    }
    if (!node.changes.isEmpty())
        project.history().push(node);
    return changed;
}
