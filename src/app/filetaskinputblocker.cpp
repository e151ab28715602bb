#include "filetaskinputblocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProgressDialog>
#include <QWindow>

FileTaskInputBlocker::FileTaskInputBlocker(QProgressDialog *dialog) : m_dialog(dialog)
{
    QCoreApplication::instance()->installEventFilter(this);
}

FileTaskInputBlocker::~FileTaskInputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool FileTaskInputBlocker::belongsToDialog(QObject *receiver) const
{
    if (!m_dialog || !receiver)
        return false;
    if (receiver == m_dialog->windowHandle())
        return true;
    // The dialog's own parts, its Esc shortcut among them.
    for (const QObject *part = receiver; part; part = part->parent()) {
        if (part == m_dialog)
            return true;
    }
    return false;
}

bool FileTaskInputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TabletMove:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return !belongsToDialog(watched);
    default:
        return false;
    }
}
