#pragma once

// What an edit of a project may change, to compare a project before and
// after an edit, an undo or a redo: the pixels, the colour slots and the
// layout with its border alignments.

#include "document/project.h"

#include <tuple>

inline auto projectState(const Project &project)
{
    return std::tuple(project.colormap(), project.slotBytes(), project.layoutSpec());
}

// Whether undoing the newest edit brings back `before` and redoing it brings
// back what the edit left.
inline bool undoesAndRedoes(Project &project, const auto &before)
{
    const auto after = projectState(project);
    project.history().undo(project);
    const bool undone = projectState(project) == before;
    project.history().redo(project);
    return undone && projectState(project) == after;
}
