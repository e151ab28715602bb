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
    if (receiver == m_dialog || receiver == m_dialog->windowHandle())
        return true;
    const auto *widget = qobject_cast<QWidget *>(receiver);
    return widget && m_dialog->isAncestorOf(widget);
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
