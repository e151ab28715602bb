#pragma once

#include "history/recentbubblecache.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;

// File > Open Recent: rebuilt from the stored list each time the File menu
// opens, so entries whose files are gone never show. Resting the pointer on
// an entry shows its picture in a bubble unless the platform draws the menus.
class RecentMenu : public QObject
{
    Q_OBJECT

public:
    // Each entry's triggered() reaches `opener`'s slot `openSlot` (a SLOT() text).
    RecentMenu(QMenu *fileMenu, QMenu *recentMenu, QObject *opener, const char *openSlot,
               std::function<PaletteVariant()> palette, std::function<bool()> nativeMenuBar);

    void rebuild();

private:
    void showBubble(QAction *action);

    QMenu *m_menu;
    QObject *m_opener;
    const char *m_openSlot;
    std::function<PaletteVariant()> m_palette;
    std::function<bool()> m_nativeMenuBar;
    RecentBubbleCache m_bubbles;
};
