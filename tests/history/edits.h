#pragma once

// Small edits for history tests, recorded the way the editor records them:
// crop before, change, one node with the changes that really happened.

#include "document/project.h"

#include <QRect>
#include <optional>

namespace testedits
{

inline HistoryNode paintNode(Project &project, const QRect &rect, quint8 color,
                             HistoryEntryKind kind = HistoryEntryKind::Stroke,
                             std::optional<QPoint> connect = std::nullopt)
{
    const Colormap before = project.colormap().copy(rect);
    project.colormap().fillRect(rect, color);
    HistoryNode node;
    node.kind = kind;
    node.hasConnectPoint = connect.has_value();
    node.connectPoint = connect.value_or(QPoint());
    recordRegionChange(project, node, rect, before);
    return node;
}

// Paints and pushes; returns whether a node was recorded.
inline bool paint(Project &project, const QRect &rect, quint8 color,
                  HistoryEntryKind kind = HistoryEntryKind::Stroke,
                  std::optional<QPoint> connect = std::nullopt)
{
    const int before = project.history().revision();
    project.history().push(paintNode(project, rect, color, kind, connect));
    return project.history().revision() > before;
}

inline void assignSlot(Project &project, ColorSlot slot, quint8 color)
{
    HistoryNode node;
    node.kind = HistoryEntryKind::AssignSlot;
    node.changes.append(HistoryChange::colorIndex(quint8(slot), project.slot(slot), color));
    project.setSlot(slot, color);
    project.history().push(node);
}

inline void setBottomAlignment(Project &project, BorderAlignment alignment)
{
    HistoryNode node;
    node.kind = HistoryEntryKind::SetBorderAlignment;
    node.changes.append(HistoryChange::borderAlignment(
        1, quint8(project.layoutSpec().bottomAlignment), quint8(alignment)));
    project.layoutSpec().bottomAlignment = alignment;
    project.history().push(node);
}

} // namespace testedits
