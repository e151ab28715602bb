#include "actionrules.h"

bool ActionRules::holds(EntryRule rule, const ActionState &state)
{
    switch (rule) {
    case EntryRule::Always:
    case EntryRule::History:
        return true;
    case EntryRule::Hires:
        return state.mode == CanvasMode::Hires;
    case EntryRule::AntiAliasing:
        // A one-pixel nib has no edge to smooth unless pressure widens it.
        return state.mode == CanvasMode::Multicolor &&
               (state.penWidth >= 2 || state.pressureWidening);
    case EntryRule::Contours:
        return state.mode == CanvasMode::Multicolor;
    case EntryRule::TopBottomBorders:
        return state.layout == CanvasLayout::TopBottomBorderSprites;
    case EntryRule::BorderSprites:
        return state.layout != CanvasLayout::BitmapOnly;
    case EntryRule::PrgExport:
        return state.borderFrame;
    case EntryRule::ReferenceImage:
        return state.referenceImage;
    case EntryRule::Selection:
        return state.selection;
    case EntryRule::Clipboard:
        return state.clipboard;
    case EntryRule::StagedShapes:
        return state.stagedShapes > 0;
    case EntryRule::RecentProjects:
        return state.recentProjects;
    }
    return false;
}
