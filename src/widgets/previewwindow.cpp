#include "previewwindow.h"

#include "previewarea.h"

#include "canvas/canvasarea.h"

#include <QCloseEvent>
#include <QVBoxLayout>

PreviewWindow::PreviewWindow(CanvasArea *canvas, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Preview"));
    // The main window keeps the keyboard, whenever and however this one shows.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_area = new PreviewArea(canvas->project(), canvas->artworkImage(), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_area);
    connect(canvas, &CanvasArea::imageRegionChanged, m_area, &PreviewArea::refreshImageRegion);
    connect(canvas, &CanvasArea::imageChanged, m_area, &PreviewArea::refreshImage);
    connect(canvas, &CanvasArea::statusChanged, m_area, &PreviewArea::syncViewAspects);
    // Starts from the document as it is now.
    m_area->syncViewAspects();
    m_area->refreshImage();
}

void PreviewWindow::setStayOnTop(bool on)
{
    m_stayOnTop = on;
    applyStayOnTop();
}

void PreviewWindow::applyStayOnTop()
{
    const bool wanted = m_stayOnTop && !m_suspended;
    if (wanted == windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    // Changing a window flag hides the window and may move it.
    const bool visible = isVisible();
    const QRect place = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, wanted);
    if (visible) {
        setGeometry(place);
        showPassively();
    }
}

void PreviewWindow::showPassively()
{
    const bool wasActive = isActiveWindow();
    show();
    // Some window systems activate every window they map.
    if (!wasActive && parentWidget())
        parentWidget()->activateWindow();
}

bool PreviewWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowBlocked) {
        m_suspended = true;
        applyStayOnTop();
    } else if (event->type() == QEvent::WindowUnblocked) {
        m_suspended = false;
        applyStayOnTop();
    }
    return QWidget::event(event);
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    emit closedByUser();
    QWidget::closeEvent(event);
}
