#include "workstagereplayer.h"

WorkstageReplayer::WorkstageReplayer(const Colormap &colormap, const History &history,
                                     quint8 background, quint8 border)
    : m_nodes(history.nodes()), m_position(history.position()), m_colormap(colormap),
      m_background(background), m_border(border)
{
    for (int i = m_position - 1; i >= 0; --i)
        apply(m_nodes.at(i), false);
    m_stage = 0;
}

const Colormap &WorkstageReplayer::advanceTo(int stage)
{
    const int target = qMin(stage, m_position);
    for (; m_stage < target; ++m_stage)
        apply(m_nodes.at(m_stage), true);
    return m_colormap;
}

std::pair<quint8, quint8> WorkstageReplayer::slotsAt(int stage)
{
    advanceTo(stage);
    return {m_background, m_border};
}

void WorkstageReplayer::apply(const HistoryNode &node, bool forwards)
{
    const qsizetype count = node.changes.size();
    for (qsizetype n = 0; n < count; ++n) {
        const HistoryChange &change = node.changes.at(forwards ? n : count - 1 - n);
        switch (change.type) {
        case HistoryChange::Type::RegionChange:
            // pixels() inflates a copy: the shared history keeps its crops as they are.
            m_colormap.paste(change.rect.topLeft(),
                             (forwards ? change.after : change.before).pixels());
            break;
        case HistoryChange::Type::ColorIndexChange: {
            const quint8 value = forwards ? change.newIndex : change.oldIndex;
            if (change.slot == quint8(ColorSlot::Background))
                m_background = value;
            else if (change.slot == quint8(ColorSlot::Border))
                m_border = value;
            break;
        }
        case HistoryChange::Type::BorderAlignmentChange:
            break;
        }
    }
}
