#pragma once

#include <QObject>

class CanvasArea;
class MainActions;
class PreviewArea;
class PreviewWindow;
class QWidget;

// The main window's side of the preview window: creates it, ties the View
// menu's preview entries to it, sends the view entries that serve both
// windows to the active one, and remembers the window between runs.
class PreviewController : public QObject
{
    Q_OBJECT

public:
    PreviewController(QWidget *mainWindow, CanvasArea *canvas, MainActions *actions);

    PreviewWindow *window() const { return m_window; }
    PreviewArea *area() const;

    // The window's place, restored right after the main window's and stored
    // last; its toggles are remembered with the other persisted entries.
    void restoreGeometry();
    void storeGeometry() const;
    // Shows or hides the window; the first showing with no remembered place
    // puts it beside the canvas.
    void setShown(bool shown);

public slots:
    // The view entries of both windows: the active window's view follows;
    // with neither window active nothing happens. The preview never rotates,
    // so resetting the rotation there only best-fits.
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomBestFit();
    void resetRotationAndBestFit();

private:
    enum class Active { Neither, Main, Preview };
    Active activeWindow() const;
    void route(void (CanvasArea::*onCanvas)(), void (PreviewArea::*onPreview)());
    // The picture at its own size, right of the main window where the screen
    // has room, else left of it, else over the canvas's top right corner.
    void placeBesideCanvas();

    QWidget *m_mainWindow = nullptr;
    CanvasArea *m_canvas = nullptr;
    MainActions *m_actions = nullptr;
    PreviewWindow *m_window = nullptr;
    bool m_placed = false;
};
