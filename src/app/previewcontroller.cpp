#include "previewcontroller.h"

#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <algorithm>

namespace
{

constexpr char GeometryKey[] = "preview/geometry";

} // namespace

PreviewController::PreviewController(QWidget *mainWindow, CanvasArea *canvas, MainActions *actions)
    : QObject(mainWindow), m_mainWindow(mainWindow), m_canvas(canvas), m_actions(actions)
{
    m_window = new PreviewWindow(canvas, mainWindow);
    PreviewArea *previewArea = m_window->area();
    QAction *show = actions->action(QStringLiteral("showPreview"));
    connect(show, &QAction::toggled, this, &PreviewController::setShown);
    connect(m_window, &PreviewWindow::closedByUser, show, [show] { show->setChecked(false); });
    connect(actions->action(QStringLiteral("previewOnTop")), &QAction::toggled, m_window,
            &PreviewWindow::setStayOnTop);
    connect(actions->action(QStringLiteral("mirrorPreview")), &QAction::toggled, previewArea,
            &PreviewArea::setMirror);
    connect(actions->action(QStringLiteral("previewCrt")), &QAction::toggled, previewArea,
            &PreviewArea::setCrtFilter);
    QAction *bilinear = actions->action(QStringLiteral("bilinearFiltering"));
    connect(bilinear, &QAction::toggled, previewArea, &PreviewArea::setBilinearFiltering);
    previewArea->setBilinearFiltering(bilinear->isChecked());
}

PreviewArea *PreviewController::area() const
{
    return m_window->area();
}

PreviewController::Active PreviewController::activeWindow() const
{
    const QWidget *active = QApplication::activeWindow();
    if (active == m_mainWindow)
        return Active::Main;
    if (active == m_window)
        return Active::Preview;
    return Active::Neither;
}

void PreviewController::route(void (CanvasArea::*onCanvas)(), void (PreviewArea::*onPreview)())
{
    if (const Active active = activeWindow(); active == Active::Main)
        (m_canvas->*onCanvas)();
    else if (active == Active::Preview)
        (area()->*onPreview)();
}

void PreviewController::zoomIn()
{
    route(&CanvasArea::zoomIn, &PreviewArea::zoomIn);
}

void PreviewController::zoomOut()
{
    route(&CanvasArea::zoomOut, &PreviewArea::zoomOut);
}

void PreviewController::zoomActualSize()
{
    route(&CanvasArea::zoomActualSize, &PreviewArea::zoomActualSize);
}

void PreviewController::zoomBestFit()
{
    route(&CanvasArea::zoomBestFit, &PreviewArea::zoomBestFit);
}

void PreviewController::resetRotationAndBestFit()
{
    route(&CanvasArea::resetRotationAndBestFit, &PreviewArea::zoomBestFit);
}

void PreviewController::restoreGeometry()
{
    const QByteArray geometry = QSettings().value(QLatin1String(GeometryKey)).toByteArray();
    if (!geometry.isEmpty() && m_window->restoreGeometry(geometry))
        m_placed = true;
}

void PreviewController::setShown(bool shown)
{
    if (shown && !m_placed)
        placeBesideCanvas();
    if (shown)
        m_window->showPassively();
    else
        m_window->hide();
}

void PreviewController::placeBesideCanvas()
{
    m_placed = true;
    const QScreen *screen = m_mainWindow->screen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QRect main = m_mainWindow->frameGeometry();
    // Room for the window frame the system adds around it.
    constexpr int Frame = 8;
    const QSize size = area()
                           ->sizeHint()
                           .expandedTo(QSize(320, 200))
                           .boundedTo(QSize(free.width() / 2, free.height() / 2));
    const QPoint canvasTop =
        m_canvas->mapTo(m_mainWindow, QPoint(0, 0)) + m_mainWindow->geometry().topLeft();
    QPoint at(main.right() + 1 + Frame, canvasTop.y());
    if (at.x() + size.width() + Frame > free.right() + 1) {
        at.setX(main.left() - size.width() - 2 * Frame);
        if (at.x() < free.left())
            at.setX(canvasTop.x() + m_canvas->width() - size.width() - Frame);
    }
    at.setX(
        std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - size.width())));
    at.setY(
        std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - size.height())));
    m_window->resize(size);
    m_window->move(at);
}

void PreviewController::storeGeometry() const
{
    QSettings().setValue(QLatin1String(GeometryKey), m_window->saveGeometry());
}
