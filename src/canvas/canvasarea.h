#pragma once

#include "canvasoverlays.h"
#include "canvastool.h"
#include "toolbox.h"
#include "toolenvironment.h"

#include "document/palette.h"
#include "document/project.h"
#include "paint/strokerenderer.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QWidget>
#include <memory>
#include <optional>

class CanvasTool;
class DrawTool;
class EraserTool;
class EyedropperTool;
class FillTool;
class PaintSettings;
class PanTool;
class Project;
class SelectTool;
class ShapeTool;
class SymmetryTool;
class ViewTransform;
class QPrinter;

// The drawing widget: shows the Project through its zoomable, rotatable,
// pannable view, paints the artwork with its frame, grids and overlays, and
// routes pointer and key input to view gestures or to the active tool. The
// tools reach it through ToolEnvironment; what they paint with lives in the
// PaintSettings it is given.
class CanvasArea : public QWidget, public ToolEnvironment
{
    Q_OBJECT
    Q_PROPERTY(QColor backdropColor READ backdropColor WRITE setBackdropColor)

public:
    CanvasArea(Project &project, PaintSettings &settings, QWidget *parent = nullptr);
    ~CanvasArea() override;

    Project &project() const override { return m_project; }
    PaintSettings &paintSettings() const override { return m_settings; }
    const ViewTransform &viewTransform() const { return m_project.view(); }
    QPoint canvasPixelAt(QPointF widgetPosition) const override;
    QPoint hoverPixel() const override { return m_hoverPixel; }
    bool isHoverValid() const override { return m_hoverValid; }
    bool isFitMode() const { return m_fitMode; }
    // What the bars floating over the canvas cover at its top and bottom:
    // best fit fits the picture into the rest.
    void setFitMargins(const QMargins &margins);
    QRect fitArea() const;
    // Forgets the pixel under the pointer, as when it leaves: the pointer is
    // over something floating above the canvas.
    void clearHover();

    QColor backdropColor() const { return m_backdropColor; }
    static QColor outlineColor() { return CanvasOverlays::outlineColor(); }
    void setBackdropColor(const QColor &color);

    // Display options; each setter ignores an unchanged value.
    bool isGridVisible() const { return m_gridVisible; }
    bool isPixelGridVisible() const { return m_pixelGridVisible; }
    bool areSafeFramesVisible() const { return m_safeFramesVisible; }
    bool isReferenceLayerVisible() const { return m_referenceVisible; }
    bool lighterGrids() const { return m_lighterGrids; }
    void setLighterGrids(bool lighter);
    bool bilinearFiltering() const { return m_bilinearFiltering; }
    bool smoothReferenceScaling() const { return m_smoothReferenceScaling; }
    void setSmoothReferenceScaling(bool on);
    int referenceOpacity() const { return m_referenceOpacity; }
    void setReferenceOpacity(int percent);
    const QImage &referenceImage() const { return m_referenceImage; }
    // A null image clears the reference layer.
    void setReferenceImage(const QImage &image);
    bool invertWheel() const { return m_invertWheel; }
    void setInvertWheel(bool on) { m_invertWheel = on; }
    bool bindZoomToCanvas() const { return m_bindZoomToCanvas; }
    void setBindZoomToCanvas(bool on) { m_bindZoomToCanvas = on; }
    void setPaletteVariant(PaletteVariant variant);

    // The paint pipeline with its nib mask, coverage buffers and mix table,
    // sized to the document.
    StrokeRenderer &strokeRenderer() override;

    // Tools (see ToolBox); the menus switch them here.
    ToolBox &tools() const { return *m_tools; }
    CanvasTool *activeTool() const { return m_tools->activeTool(); }
    CanvasTool *penTool() const { return m_tools->penTool(); }
    PanTool *panTool() const { return m_tools->panTool(); }
    EyedropperTool *eyedropperTool() const { return m_tools->eyedropperTool(); }
    SymmetryTool *symmetryTool() const { return m_tools->symmetryTool(); }
    DrawTool *drawTool() const { return m_tools->drawTool(); }
    EraserTool *eraserTool() const { return m_tools->eraserTool(); }
    FillTool *fillTool() const { return m_tools->fillTool(); }
    SelectTool *selectTool() const { return m_tools->selectTool(); }
    ShapeTool *shapeTool() const { return m_tools->shapeTool(); }
    void setFillTool(bool on) { m_tools->setFillTool(on); }
    void setEraserTool(bool on) { m_tools->setEraserTool(on); }
    void setPanTool(bool on) { m_tools->setPanTool(on); }
    void setEyedropperTool(bool on) { m_tools->setEyedropperTool(on); }
    void setSymmetryAxesTool(bool on) { m_tools->setSymmetryAxesTool(on); }
    void setSelectTool(int kind) { m_tools->setSelectTool(kind); }
    void setShapeTool(bool on) { m_tools->setShapeTool(on); }
    // Commits staged shapes and drops a floating selection, so the document
    // holds everything the canvas shows.
    void settleStagedWork() { m_tools->settleStagedWork(); }
    void installPenTool(std::unique_ptr<CanvasTool> pen)
    {
        m_tools->installPenTool(std::move(pen));
    }
    // A pen or eraser stroke is under way.
    bool penStrokeInProgress() const override { return m_tools->penStrokeInProgress(); }
    // Any drag is under way: a stroke, a shape or selection drag, a pan or
    // rotation, or a press some tool still holds. Edits wait for its end.
    bool dragInProgress() const override
    {
        return isGestureUnderWay() || m_tools->toolDragInProgress();
    }
    bool isActiveTool(const CanvasTool *tool) const override { return tool == activeTool(); }

    // Gesture and modifier state.
    bool isPanning() const { return m_panning; }
    bool isRotating() const { return m_rotating; }
    bool isSpaceHeld() const { return m_spaceHeld; }
    bool isRHeld() const { return m_rHeld; }
    bool isShiftHeld() const override { return m_shiftHeld; }
    bool isCtrlHeld() const override { return m_ctrlHeld; }
    bool isAltHeld() const override { return m_altHeld; }
    bool isSwapPreview() const override { return m_swapPreview; }
    bool isGestureUnderWay() const override
    {
        return m_panning || m_rotating || m_spaceHeld || m_rHeld;
    }
    bool isTabletActive() const override { return m_tabletActive; }
    double tabletPressure() const override { return m_tabletPressure; }
    void beginPan(QPointF widgetPosition) override;
    QRect viewRect() const override { return rect(); }

    std::optional<QPoint> connectPoint() const override { return m_connectPoint; }
    void setConnectPoint(std::optional<QPoint> point) override { m_connectPoint = point; }

    // Images.
    const QImage &artworkImage() const { return m_artworkImage; }
    // The colour index the border frame shows.
    quint8 frameColorIndex() const { return m_project.frameColor(); }
    // The artwork for export, widened to whole image pixels per colormap pixel.
    QImage exportImage(bool withBorders) const
    {
        return exportImage(withBorders, frameColorIndex());
    }
    // As above with the frame in a given colour (a workstage's own border).
    QImage exportImage(bool withBorders, quint8 frameColor) const;
    // Draws the borderless export image scaled into a page's viewport.
    void paintPrintPage(QPainter &painter, const QRect &viewport) const;

    void refreshImageRegion(const QRect &canvasRect) override;
    // Re-renders the whole artwork (undo, redo, imports, whole-canvas edits).
    void refreshWholeImage();
    void repaintCanvasRect(const QRect &canvasRect) override;
    void repaintView() override { update(); }
    void repaintViewRect(const QRect &widgetRect) override { update(widgetRect); }
    void setPreviewRect(const QRect &canvasRect) override;
    QRect previewRect() const { return m_previewRect; }
    void refreshPreviews() override;
    void refreshCursor() override { setCursor(chosenCursor()); }
    void showToolCursor(const QCursor &cursor) override { setCursor(cursor); }
    void reportHistoryChanged() override { emit historyChanged(); }
    void reportSelectionChanged() override { emit selectionChanged(); }
    void reportNote(const QString &text) override { emit statusMessage(text); }
    // The cursor the canvas would show now with no gesture under way.
    QCursor chosenCursor() const { return m_tools->chosenCursor(m_altHeld); }

    QSize sizeHint() const override { return QSize(800, 600); }

signals:
    void historyChanged();
    void statusChanged();
    void selectionChanged();
    void imageRegionChanged(QRect canvasRect);
    void imageChanged();
    // A passing note for the status bar (why a stroke left pixels out).
    void statusMessage(const QString &text);

public slots:
    // Switches the menus reach by name.
    void setBilinearFiltering(bool on);
    void print();
    // Clear Screen: the whole canvas in the background (multicolor) or the
    // secondary pen colour (hires), as one undoable edit.
    void clearImage();
    // The selection commands; each drops a floating selection first.
    void selectAll();
    void deselect();
    void invertSelection();
    void flipSelection(Qt::Orientation orientation);
    void zoomIn() { zoomStep(true, widgetCenter()); }
    void zoomOut() { zoomStep(false, widgetCenter()); }
    void zoomActualSize();
    void zoomBestFit() { applyBestFit(); }
    void setGridVisible(bool visible);
    void setReferenceLayerVisible(bool visible);
    void setPixelGridVisible(bool visible);
    void setSafeFramesVisible(bool visible);
    void setDisplayPixelAspect(double aspect);
    void resetRotation();
    void resetRotationAndBestFit();
    void reloadProject();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    ViewTransform &view() { return m_project.view(); }
    QPointF widgetCenter() const;
    QPointF zoomAnchor(QPointF anchor) const;
    void zoomStep(bool in, QPointF anchor);
    void setZoomAt(double zoom, QPointF anchor);
    void setRotationAt(double degrees, QPointF anchor);
    bool applyBestFit();
    void afterViewChange();
    void refreshHover();
    void panArrow(int key);
    bool resetRotationAllowed() const;
    QRectF visibleCanvasRect(const QRect &widgetRect) const;
    void renderArtwork();

    Project &m_project;
    PaintSettings &m_settings;
    // Before the tools: their strokes paint through it.
    StrokeRenderer m_strokeRenderer;

    CanvasOverlays m_overlays;
    std::unique_ptr<ToolBox> m_tools;

    bool m_fitMode = true;
    QMargins m_fitMargins;
    bool m_panning = false;
    bool m_spaceHeld = false;
    bool m_rHeld = false;
    bool m_rotating = false;
    QPointF m_lastPanPosition;
    double m_rotationAtStart = 0.0;
    QPointF m_rotationStartVector;
    bool m_shiftHeld = false;
    bool m_ctrlHeld = false;
    bool m_altHeld = false;
    bool m_swapPreview = false;
    QPoint m_hoverPixel;
    bool m_hoverValid = false;
    QPointF m_pointerPosition;
    bool m_pointerInside = false;
    bool m_tabletActive = false;
    double m_tabletPressure = 0.0;

    bool m_gridVisible = false;
    bool m_pixelGridVisible = false;
    bool m_lighterGrids = false;
    bool m_safeFramesVisible = false;
    bool m_referenceVisible = true;
    int m_referenceOpacity = 50;
    bool m_bilinearFiltering = false;
    bool m_smoothReferenceScaling = false;
    bool m_invertWheel = false;
    bool m_bindZoomToCanvas = false;
    QColor m_backdropColor = QColor(48, 48, 48);

    QImage m_artworkImage;
    QImage m_referenceImage;
    QRect m_previewRect;

    std::optional<QPoint> m_connectPoint;
};
