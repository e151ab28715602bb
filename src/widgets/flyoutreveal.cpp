#include "flyoutreveal.h"

#include <QEvent>
#include <QTimer>

FlyoutReveal::FlyoutReveal(QObject *parent) : QObject(parent) {}

void FlyoutReveal::reveal(QWidget *flyout)
{
    if (!flyout)
        return;
    if (m_flyout != flyout) {
        forget();
        m_flyout = flyout;
        flyout->installEventFilter(this);
    }
    flyout->setWindowOpacity(0.0);
    const quint64 generation = ++m_generation;
    flyout->show();
    QTimer::singleShot(FallbackMs, this, [this, generation] { finish(generation); });
}

void FlyoutReveal::forget()
{
    if (m_flyout)
        m_flyout->removeEventFilter(this);
    m_flyout = nullptr;
}

void FlyoutReveal::finish(quint64 generation)
{
    if (generation != m_generation || generation == m_revealedGeneration || !m_flyout ||
        !m_flyout->isVisible())
        return;
    m_revealedGeneration = generation;
    m_flyout->setWindowOpacity(1.0);
    emit revealed(m_flyout);
}

bool FlyoutReveal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_flyout) {
        if (event->type() == QEvent::Paint) {
            // The frame is being drawn now; it is on screen by the next turn.
            const quint64 generation = m_generation;
            QTimer::singleShot(0, this, [this, generation] { finish(generation); });
        } else if (event->type() == QEvent::Hide) {
            forget();
        }
    }
    return QObject::eventFilter(watched, event);
}
