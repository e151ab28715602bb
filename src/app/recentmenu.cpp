#include "recentmenu.h"

#include "history/recentprojects.h"

#include <QAction>
#include <QDir>
#include <QMenu>

RecentMenu::RecentMenu(QMenu *fileMenu, QMenu *recentMenu, QObject *opener, const char *openSlot,
                       std::function<PaletteVariant()> palette, std::function<bool()> nativeMenuBar)
    : QObject(recentMenu), m_menu(recentMenu), m_opener(opener), m_openSlot(openSlot),
      m_palette(std::move(palette)), m_nativeMenuBar(std::move(nativeMenuBar))
{
    m_menu->setToolTipsVisible(true);
    connect(fileMenu, &QMenu::aboutToShow, this, &RecentMenu::rebuild);
    connect(m_menu, &QMenu::hovered, this, &RecentMenu::showBubble);
    rebuild();
}

void RecentMenu::rebuild()
{
    const QStringList paths = RecentProjects::pruneMissing();
    m_menu->clear();
    m_menu->menuAction()->setEnabled(!paths.isEmpty());
    if (paths.isEmpty())
        return;
    const QStringList labels = RecentProjects::labels(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QAction *entry = m_menu->addAction(tr("&%1  %2").arg(i + 1).arg(labels[i]));
        entry->setData(paths[i]);
        entry->setStatusTip(QDir::toNativeSeparators(paths[i]));
        entry->setToolTip(QDir::toNativeSeparators(paths[i]));
        connect(entry, SIGNAL(triggered()), m_opener, m_openSlot);
    }
    m_menu->addSeparator();
    QAction *clear = m_menu->addAction(tr("Clear Recent File List"));
    clear->setObjectName(QStringLiteral("clearRecent"));
    clear->setStatusTip(tr("Forget every project in the Open Recent list"));
    connect(clear, &QAction::triggered, this, [this] {
        RecentProjects::clearRecent();
        rebuild();
    });
}

void RecentMenu::showBubble(QAction *action)
{
    const QString path = action->data().toString();
    if (path.isEmpty() || m_nativeMenuBar())
        return;
    action->setToolTip(m_bubbles.bubbleFor(path, m_palette()));
}
