#include "firststart.h"

#include <QScreen>
#include <QWidget>

QRect FirstStart::windowGeometry(const QRect &available, const QSize &minimum)
{
    const QSize size = (available.size() * 3 / 4).expandedTo(minimum).boundedTo(available.size());
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    return placed;
}

void FirstStart::placeWindow(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect placed = windowGeometry(screen->availableGeometry(), window->minimumSizeHint());
    window->resize(placed.size());
    window->move(placed.topLeft());
}

QString FirstStart::hint()
{
    // Short enough for the message field of a window on a small screen.
    return tr("Drag to draw");
}
