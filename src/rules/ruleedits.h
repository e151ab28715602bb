#pragma once

#include <QRect>

class Project;

// Whole-canvas edits that restore the colour rules. Each records at most one
// history node and returns the union of the changed rectangles (empty when
// nothing changed, in which case nothing is recorded).

// Merges away every clash of the canvas (history kind ResolveAllClashes).
QRect resolveAllClashes(Project &project);

// Clears the over-budget columns of the top and bottom borders to their
// background colours (history kind ReduceBorderSprites).
QRect reduceBorderSprites(Project &project);
