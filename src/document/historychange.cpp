#include "historychange.h"

HistoryChange HistoryChange::region(const QRect &rect, const Colormap &before, const Colormap &after)
{
    HistoryChange change;
    change.type = Type::RegionChange;
    change.rect = rect;
    change.before = ColormapCrop::fromColormap(before);
    change.after = ColormapCrop::fromColormap(after);
    return change;
}

HistoryChange HistoryChange::colorIndex(quint8 slot, quint8 oldIndex, quint8 newIndex)
{
    HistoryChange change;
    change.type = Type::ColorIndexChange;
    change.slot = slot;
    change.oldIndex = oldIndex;
    change.newIndex = newIndex;
    return change;
}

HistoryChange HistoryChange::borderAlignment(quint8 border, quint8 oldAlignment, quint8 newAlignment)
{
    HistoryChange change;
    change.type = Type::BorderAlignmentChange;
    change.slot = border;
    change.oldIndex = oldAlignment;
    change.newIndex = newAlignment;
    return change;
}
