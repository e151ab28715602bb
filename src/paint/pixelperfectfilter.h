#pragma once

#include <QList>
#include <QPoint>

// Drops the corner pixel of every L-shaped step of a one-pixel freehand
// line, so the line stays one pixel thick. The last pixel fed in is held
// back as pending (shown provisionally) until the next step decides it.
class PixelPerfectFilter
{
public:
    void reset();
    // Starts a line at `pixel` with no previous pixel.
    void start(QPoint pixel);
    // Walks from the pending pixel to `target`; returns the pixels decided on.
    QList<QPoint> feed(QPoint target);
    // Emits the pending pixel (if any) and forgets everything.
    QList<QPoint> flush();

    bool hasPending() const { return m_hasPending; }
    QPoint pending() const { return m_pending; }
    bool hasPrevious() const { return m_hasPrevious; }
    QPoint previous() const { return m_previous; }

private:
    void step(QPoint q, QList<QPoint> &out);

    QPoint m_previous;
    bool m_hasPrevious = false;
    QPoint m_pending;
    bool m_hasPending = false;
};
