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

// A multicolor top/bottom canvas with every kind of change, a redo tail
// and non-default policies, alignments and slots.
inline Project richProject()
{
    Project project(CanvasMode::Multicolor, 96, 60,
                    LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    project.setHiresClashResolution(HiresClashResolution::PreserveBorder);
    for (int i = 0; i < 12; ++i)
        paint(project, QRect(i * 7 % 90, i * 5 % 55, 3 + i, 2 + i % 4), quint8(1 + i % 15),
              HistoryEntryKind::Stroke, QPoint(i, 2 * i));
    assignSlot(project, ColorSlot::TopMulticolor1, 13);
    HistoryNode align;
    align.kind = HistoryEntryKind::SetBorderAlignment;
    align.changes.append(HistoryChange::borderAlignment(1, 0, 1));
    project.layoutSpec().bottomAlignment = BorderAlignment::Right;
    project.history().push(align);
    // Overlapping changes in one node, which must be undone in reverse, and
    // a border colour change.
    HistoryNode shapes = paintNode(project, QRect(2, 2, 8, 8), 4, HistoryEntryKind::CommitShapes);
    for (const HistoryChange &change : paintNode(project, QRect(6, 6, 8, 8), 8).changes)
        shapes.changes.append(change);
    shapes.changes.append(HistoryChange::colorIndex(1, project.slot(ColorSlot::Border), 12));
    project.setSlot(ColorSlot::Border, 12);
    project.history().push(shapes);
    // A node mixing a slot change with pixels, like a colour swap.
    HistoryNode swap = paintNode(project, QRect(0, 0, 96, 60), 0, HistoryEntryKind::SwapColors);
    swap.changes.insert(swap.changes.cbegin(), HistoryChange::colorIndex(0, 0, 2));
    project.setSlot(ColorSlot::Background, 2);
    project.history().push(swap);
    // A flat, large change: stored compressed.
    paint(project, QRect(0, 0, 96, 60), 11, HistoryEntryKind::ClearScreen);
    paint(project, QRect(5, 5, 1, 1), 3, HistoryEntryKind::Stroke, QPoint(5, 5));
    project.history().undo(project);
    project.history().undo(project);
    return project;
}

} // namespace testedits
