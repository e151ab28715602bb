#include "menupolishfilter.h"

#include <QEvent>
#include <QMenu>

bool MenuPolishFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Polish) {
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            const Qt::WindowFlags wanted = Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
            // Setting flags recreates the window; a menu already set is left alone.
            if ((menu->windowFlags() & wanted) != wanted)
                menu->setWindowFlags(menu->windowFlags() | wanted);
            menu->setAttribute(Qt::WA_TranslucentBackground);
        }
    }
    return QObject::eventFilter(watched, event);
}
