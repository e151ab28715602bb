#pragma once

#include "canvastool.h"

// A tool that keeps work of its own above the document until it is
// committed (Enter) or discarded (Esc): the selection tool's floating
// selection.
class StagedEditTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;

    // Settles the staged work into the document as one history entry.
    virtual void commitStaged() = 0;
    // Throws the staged work away, leaving the document as it was.
    virtual void discardStaged() = 0;
};
