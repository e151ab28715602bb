#include "history.h"

#include "project.h"

void History::push(const HistoryNode &node)
{
    if (node.changes.isEmpty())
        return;
    m_nodes.resize(m_position);
    m_nodes.append(node);
    ++m_position;
    ++m_revision;
}

QRect History::undo(Project &project)
{
    if (m_position <= 0)
        return QRect();
    --m_position;
    return applyNode(project, m_nodes[m_position], false);
}

QRect History::redo(Project &project)
{
    if (m_position >= nodeCount())
        return QRect();
    const QRect dirty = applyNode(project, m_nodes[m_position], true);
    ++m_position;
    return dirty;
}

void History::clear()
{
    if (m_nodes.isEmpty())
        return;
    m_nodes.clear();
    m_position = 0;
    ++m_revision;
}

void History::assign(const QList<HistoryNode> &nodes, int savedPosition)
{
    m_nodes = nodes;
    m_position = qBound(0, savedPosition, nodeCount());
    ++m_revision;
}

void History::markClean()
{
    m_cleanRevision = m_revision;
    m_cleanPosition = m_position;
}

void History::markUnsaved()
{
    // Revisions only grow, so no later state matches this mark.
    m_cleanRevision = m_revision - 1;
    m_cleanPosition = -1;
}

std::optional<QPoint> History::lastConnectPoint() const
{
    for (int i = m_position - 1; i >= 0; --i) {
        const HistoryNode &node = m_nodes.at(i);
        if (isConnectBarrier(node.kind))
            return std::nullopt;
        if (node.hasConnectPoint)
            return node.connectPoint;
    }
    return std::nullopt;
}

QRect History::applyNode(Project &project, HistoryNode &node, bool forwards)
{
    QRect dirty;
    const qsizetype count = node.changes.size();
    for (qsizetype n = 0; n < count; ++n) {
        HistoryChange &change = node.changes[forwards ? n : count - 1 - n];
        switch (change.type) {
        case HistoryChange::Type::RegionChange: {
            ColormapCrop &crop = forwards ? change.after : change.before;
            crop.inflate();
            project.colormap().paste(change.rect.topLeft(), crop.pixels());
            dirty |= change.rect;
            break;
        }
        case HistoryChange::Type::ColorIndexChange:
            if (change.slot < ColorSlotCount)
                project.setSlot(ColorSlot(change.slot),
                                forwards ? change.newIndex : change.oldIndex);
            break;
        case HistoryChange::Type::BorderAlignmentChange: {
            const auto alignment = BorderAlignment(forwards ? change.newIndex : change.oldIndex);
            if (change.slot == 0)
                project.layoutSpec().topAlignment = alignment;
            else
                project.layoutSpec().bottomAlignment = alignment;
            break;
        }
        }
    }
    return dirty;
}

void recordRegionChange(const Project &project, HistoryNode &node, const QRect &rect,
                        const Colormap &before)
{
    const Colormap after = project.colormap().copy(rect);
    const QRect diff = Colormap::difference(before, after);
    if (diff.isEmpty())
        return;
    node.changes.append(HistoryChange::region(diff.translated(rect.topLeft()), before.copy(diff),
                                              after.copy(diff)));
}
