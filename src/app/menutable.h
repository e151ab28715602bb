#pragma once

#include "menuentry.h"

#include <QList>

// Every menu entry of the main window in menu order, with its text,
// shortcuts, check state, group, slot, enabling rule and settings key.
class MenuTable
{
public:
    static const QList<MenuEntry> &entries();
    // The entries that sit in no menu.
    static const QList<MenuEntry> &hiddenEntries();
};
