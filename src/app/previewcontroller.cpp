#include "previewcontroller.h"

#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include <QAction>
#include <QApplication>
#include <QSettings>

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
    connect(show, &QAction::toggled, m_window, &QWidget::setVisible);
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
    if (!geometry.isEmpty())
        m_window->restoreGeometry(geometry);
}

void PreviewController::storeGeometry() const
{
    QSettings().setValue(QLatin1String(GeometryKey), m_window->saveGeometry());
}
