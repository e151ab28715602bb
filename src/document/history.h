#pragma once

#include "historynode.h"

#include <QList>
#include <QRect>
#include <optional>

class Project;

// The unlimited undo history of a project. The node list is implicitly
// shared, so copying a Project (for a background save, the preview) copies
// no pixel data.
class History
{
public:
    const QList<HistoryNode> &nodes() const { return m_nodes; }
    int nodeCount() const { return int(m_nodes.size()); }
    int position() const { return m_position; }
    int revision() const { return m_revision; }
    int cleanRevision() const { return m_cleanRevision; }
    int cleanPosition() const { return m_cleanPosition; }
    bool canUndo() const { return m_position >= 1; }
    bool canRedo() const { return m_position < nodeCount(); }
    bool isModified() const
    {
        return m_revision != m_cleanRevision || m_position != m_cleanPosition;
    }
    int workstageCount() const { return m_position + 1; }

    // Records an edit, dropping the redo tail; ignored when it holds no change.
    void push(const HistoryNode &node);
    QRect undo(Project &project);
    QRect redo(Project &project);
    void clear();
    // Replaces the node list (project reader); position is clamped.
    void assign(const QList<HistoryNode> &nodes, int savedPosition);
    void markClean();
    // A restored project was never saved in the state it shows.
    void markUnsaved();
    std::optional<QPoint> lastConnectPoint() const;

    // Applies one node's changes to a project, forwards or backwards,
    // returning the union of the region rectangles.
    static QRect applyNode(Project &project, HistoryNode &node, bool forwards);

private:
    QList<HistoryNode> m_nodes;
    qint32 m_position = 0;
    qint32 m_revision = 0;
    qint32 m_cleanRevision = 0;
    qint32 m_cleanPosition = 0;
};

// Appends one RegionChange for the pixels of `rect` that differ between
// `before` (a crop of rect taken before the edit) and the project now.
void recordRegionChange(const Project &project, HistoryNode &node, const QRect &rect,
                        const Colormap &before);
