#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"
#include "document/history.h"

#include <QList>
#include <utility>

// Replays the applied part of a history as workstages: workstage k is the
// picture after the first k nodes, from 0 up to the history's position.
// The replayer rewinds its own copy of the colormap once, then only steps
// forward, so a whole sequence costs one pass over the history each way.
// Besides the pixels it follows the Background and Border slots, which a
// workstage frame needs; other slots and the border alignments are not
// tracked.
class WorkstageReplayer
{
public:
    WorkstageReplayer(const Colormap &colormap, const History &history, quint8 background,
                      quint8 border);

    int stageCount() const { return m_position + 1; }
    int currentStage() const { return m_stage; }

    // Steps forward to `stage`, clamped to the last workstage. A stage below
    // the current one leaves the replayer where it is.
    const Colormap &advanceTo(int stage);
    // The (Background, Border) pair of the current stage.
    std::pair<quint8, quint8> slotsAt(int stage);

    const Colormap &colormap() const { return m_colormap; }
    quint8 background() const { return m_background; }
    quint8 border() const { return m_border; }

private:
    void apply(const HistoryNode &node, bool forwards);

    QList<HistoryNode> m_nodes; // shared with the history, never detached
    int m_position = 0;
    int m_stage = 0;
    Colormap m_colormap;
    quint8 m_background = 0;
    quint8 m_border = 0;
};
