#pragma once

#include <QKeySequence>

// How an entry starts: not checkable, or checkable and first off or on.
enum class EntryCheck : quint8 { None, Off, On };

// Whose slot an entry triggers: the window, the canvas, the application, or
// one of the objects the window hands over once it has built them (the paint
// settings and the command objects).
enum class EntryTarget : quint8 {
    Window,
    Canvas,
    Application,
    Selection,
    Shapes,
    Paint,
    PaintSettings,
    Views,
    Scripts
};

// When an entry is enabled; ActionRules decides each from the window's state.
enum class EntryRule : quint8 {
    Always,
    History, // the undo refresh decides
    Hires,
    AntiAliasing,
    Contours,
    TopBottomBorders,
    BorderSprites,
    PrgExport,
    ReferenceImage,
    Selection,
    Clipboard,
    StagedShapes, // shapes wait on the stage
    RecentProjects
};

// One row of the menu table: an entry, a sub-menu or a separator.
struct MenuEntry {
    // The menu it sits in, levels joined by '>'; null for a hidden action.
    const char *menu = nullptr;
    // The action's object name; null for a separator.
    const char *name = nullptr;
    const char *text = nullptr;
    QKeySequence::StandardKey standardKey = QKeySequence::UnknownKey;
    // Further shortcuts, separated by '|'.
    const char *keys = nullptr;
    EntryCheck check = EntryCheck::None;
    // Radio group; its members carry `data`.
    const char *group = nullptr;
    double data = 0;
    // Normalised signature of the slot: "name()" runs on triggered, "name(bool)"
    // on toggled, "name(QAction*)" once for the group. An entry whose slot the
    // target does not have yet stays disabled.
    const char *slot = nullptr;
    EntryTarget target = EntryTarget::Window;
    EntryRule rule = EntryRule::Always;
    // Persisted under this key: the check state, or the checked member's data.
    const char *settingsKey = nullptr;
    bool appShortcut = false;
    bool submenu = false;
    const char *toolTip = nullptr;
};
