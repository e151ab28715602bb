#pragma once

#include "document/palette.h"
#include "paint/brushsettings.h"
#include "paint/floodfill.h"
#include "paint/strokerenderer.h"
#include "paint/symmetry.h"
#include "paint/texture.h"

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
class PanTool;
class Project;
class SelectTool;
class ShapeTool;
class SymmetryTool;
class ViewTransform;
class QPrinter;

// The drawing widget: shows the Project through its zoomable, rotatable,
// pannable view, paints the artwork with its frame, grids and overlays, and
// routes pointer and key input to view gestures or to the active tool.
class CanvasArea : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor backdropColor READ backdropColor WRITE setBackdropColor)

public:
    explicit CanvasArea(Project &project, QWidget *parent = nullptr);
    ~CanvasArea() override;

    Project &project() const { return m_project; }
    const ViewTransform &viewTransform() const;
    // The canvas pixel under a widget point (floored; may lie outside the canvas).
    QPoint canvasPixelAt(QPointF widgetPosition) const;
    QPoint hoverPixel() const { return m_hoverPixel; }
    bool isHoverValid() const { return m_hoverValid; }
    bool isFitMode() const { return m_fitMode; }
    // What the bars floating over the canvas cover at its top and bottom:
    // best fit fits the picture into the rest.
    void setFitMargins(const QMargins &margins);
    QRect fitArea() const;
    // Forgets the pixel under the pointer, as when it leaves: the pointer is
    // over something floating above the canvas.
    void clearHover();

    QColor backdropColor() const { return m_backdropColor; }
    // The line just outside the canvas's extent: a colour none of the C64's
    // colours comes near, so the canvas shows on any border and backdrop.
    static QColor outlineColor() { return QColor(0xF6, 0x81, 0x1A); }
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
    void setInvertWheel(bool on);
    bool bindZoomToCanvas() const { return m_bindZoomToCanvas; }
    void setBindZoomToCanvas(bool on);
    void setPaletteVariant(PaletteVariant variant);

    // Pen colours (colour indices 0..15).
    quint8 penIndex() const { return m_penIndex; }
    quint8 secondaryIndex() const { return m_secondaryIndex; }
    void setPenIndex(quint8 index);
    void setSecondaryIndex(quint8 index);
    // The eyedropper operation: reads the colour under a canvas pixel into the
    // primary (or, for the right button, the secondary) pen colour.
    void sampleColorAt(QPoint pixel, bool secondary);

    // The brush shared by the painting tools. Each setter ignores an
    // unchanged value and refreshes the brush preview.
    const BrushSettings &brushSettings() const { return m_brush; }
    void setPenWidth(int width);
    void setBrushShape(BrushShape shape);
    const Texture &texture() const { return m_texture; }
    void setTexture(const Texture &texture);
    TextureMode textureMode() const { return m_textureMode; }
    void setTextureMode(TextureMode mode);
    // Tablet strokes widen with pressure.
    bool pressureWidening() const { return m_pressureWidening; }
    void setPressureWidening(bool on);
    // The paint pipeline with its nib mask, coverage buffers and mix table,
    // sized to the document.
    StrokeRenderer &strokeRenderer();

    // Symmetry drawing aid: mode, axes and the fill and shape switches.
    const Symmetry &symmetry() const { return m_symmetry; }
    SymmetryMode symmetryMode() const { return m_symmetry.mode(); }
    SymmetryAxes symmetryAxes() const { return m_symmetry.axes(); }
    void setSymmetryAxes(SymmetryAxes axes);

    // Flood fill: where a contour's band lies, and whether the fill preview
    // shows (a contour preview shows while Ctrl is held either way).
    ContourPlacement contourPlacement() const { return m_contourPlacement; }
    bool fillPreviewEnabled() const { return m_fillPreview; }
    void setFillPreviewEnabled(bool on);

    // Tools. The pen is the fallback that gets presses the active tool
    // refuses and becomes active whenever a tool is switched off.
    CanvasTool *activeTool() const { return m_activeTool; }
    CanvasTool *penTool() const { return m_penTool; }
    PanTool *panTool() const { return m_panTool.get(); }
    EyedropperTool *eyedropperTool() const { return m_eyedropperTool.get(); }
    SymmetryTool *symmetryTool() const { return m_symmetryTool.get(); }
    // The pen as a DrawTool (null while another pen is installed).
    DrawTool *drawTool() const { return m_drawTool; }
    EraserTool *eraserTool() const { return m_eraserTool.get(); }
    FillTool *fillTool() const { return m_fillTool.get(); }
    void setFillTool(bool on);
    void setEraserTool(bool on);
    void setPanTool(bool on);
    void setEyedropperTool(bool on);
    void setSymmetryAxesTool(bool on);
    // The selection tool by marquee kind: 0 off, 1 rectangle, 2 lasso.
    SelectTool *selectTool() const { return m_selectTool.get(); }
    void setSelectTool(int kind);
    // The staged shapes tool.
    ShapeTool *shapeTool() const { return m_shapeTool.get(); }
    void setShapeTool(bool on);
    // Commits staged shapes and drops a floating selection, so the document
    // holds everything the canvas shows.
    void settleStagedWork();
    // Hands the canvas its pen; it becomes the active tool when no other is.
    void installPenTool(std::unique_ptr<CanvasTool> pen);
    // A pen or eraser stroke is under way.
    bool penStrokeInProgress() const;
    // Any drag is under way: a stroke, a shape or selection drag, a pan or
    // rotation, or a press some tool still holds. Edits wait for its end.
    bool dragInProgress() const;

    // Gesture and modifier state.
    bool isPanning() const { return m_panning; }
    bool isRotating() const { return m_rotating; }
    bool isSpaceHeld() const { return m_spaceHeld; }
    bool isRHeld() const { return m_rHeld; }
    bool isShiftHeld() const { return m_shiftHeld; }
    bool isCtrlHeld() const { return m_ctrlHeld; }
    bool isAltHeld() const { return m_altHeld; }
    bool isSwapPreview() const { return m_swapPreview; }
    // A pan, a rotation drag, Space or R is under way.
    bool isGestureUnderWay() const;
    bool isTabletActive() const { return m_tabletActive; }
    double tabletPressure() const { return m_tabletPressure; }
    void beginPan(QPointF widgetPosition);

    // The pending Shift-line connect point left by the last stroke.
    std::optional<QPoint> connectPoint() const { return m_connectPoint; }
    void setConnectPoint(std::optional<QPoint> point) { m_connectPoint = point; }

    // Images.
    const QImage &artworkImage() const { return m_artworkImage; }
    // The colour index the border frame shows.
    quint8 frameColorIndex() const;
    // The artwork for export, widened to whole image pixels per colormap pixel.
    QImage exportImage(bool withBorders) const;
    // As above with the frame in a given colour (a workstage's own border).
    QImage exportImage(bool withBorders, quint8 frameColor) const;
    // Draws the borderless export image scaled into a page's viewport.
    void paintPrintPage(QPainter &painter, const QRect &viewport) const;

    // Re-renders part of the artwork after an edit and repaints it.
    void refreshImageRegion(const QRect &canvasRect);
    // Re-renders the whole artwork (undo, redo, imports, whole-canvas edits).
    void refreshWholeImage();
    // Repaints the widget area of a canvas rectangle.
    void repaintCanvasRect(const QRect &canvasRect);
    // Moves the tool preview: repaints the old and the new rectangle.
    void setPreviewRect(const QRect &canvasRect);
    QRect previewRect() const { return m_previewRect; }
    void refreshPreviews();
    void refreshCursor();
    // The cursor the canvas would show now with no gesture under way.
    QCursor chosenCursor() const;

    QSize sizeHint() const override;

signals:
    void historyChanged();
    void statusChanged();
    void selectionChanged();
    void penColorsChanged();
    void imageRegionChanged(QRect canvasRect);
    void imageChanged();
    // A passing note for the status bar (why a stroke left pixels out).
    void statusMessage(const QString &text);

public slots:
    // Switches the menus reach by name.
    void setBilinearFiltering(bool on);
    void setPixelPerfectStrokes(bool on);
    void setAntialiasedStrokes(bool on);
    void resetSymmetryAxes();
    void setSymmetryApplyToFill(bool on);
    void setSymmetryApplyToShapes(bool on);
    void print();
    // Clear Screen: the whole canvas in the background (multicolor) or the
    // secondary pen colour (hires), as one undoable edit.
    void clearImage();
    // The selection commands; each drops a floating selection first.
    void selectAll();
    void deselect();
    void invertSelection();
    void flipSelection(Qt::Orientation orientation);
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomBestFit();
    void setGridVisible(bool visible);
    void setReferenceLayerVisible(bool visible);
    void setPixelGridVisible(bool visible);
    void setSafeFramesVisible(bool visible);
    void setDisplayPixelAspect(double aspect);
    void resetRotation();
    void resetRotationAndBestFit();
    void reloadProject();
    // The symmetry menu passes the SymmetryMode values 0..5.
    void setSymmetryMode(int mode);
    // The placement menu passes the ContourPlacement values 0..2.
    void setContourPlacement(int placement);

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
    struct RedFlagCache {
        bool valid = false;
        int alignment = 0;
        quint8 colors[3] = {0, 0, 0};
        QList<QRect> rects;
    };

    ViewTransform &view();
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
    void switchTool(CanvasTool *tool, bool on);
    void routeToTool(bool (CanvasTool::*handler)(QMouseEvent *), QMouseEvent *event);
    // The active tool when it is the pen or the eraser.
    DrawTool *activeDrawTool() const;
    QRectF visibleCanvasRect(const QRect &widgetRect) const;
    void renderArtwork();
    void invalidateRedFlags(const QRect &canvasRect);
    const QList<QRect> &redFlags(int border);

    void paintPixelGrid(QPainter &painter, const QRect &updateRect);
    void renderGridLayer(const QTransform &toWidget, int grey);
    void paintReferenceGrid(QPainter &painter, const QRectF &visible) const;
    void paintSymmetryGuides(QPainter &painter) const;
    void paintSafeFrames(QPainter &painter, const QRect &updateRect);
    void paintRedFlags(QPainter &painter);
    void paintCanvasOutline(QPainter &painter);

    Project &m_project;
    // Before the tools: their strokes paint through it.
    StrokeRenderer m_strokeRenderer;

    std::unique_ptr<PanTool> m_panTool;
    std::unique_ptr<EyedropperTool> m_eyedropperTool;
    std::unique_ptr<SymmetryTool> m_symmetryTool;
    std::unique_ptr<EraserTool> m_eraserTool;
    std::unique_ptr<FillTool> m_fillTool;
    std::unique_ptr<SelectTool> m_selectTool;
    std::unique_ptr<ShapeTool> m_shapeTool;
    std::unique_ptr<CanvasTool> m_ownedPen;
    DrawTool *m_drawTool = nullptr;
    CanvasTool *m_penTool = nullptr;
    CanvasTool *m_activeTool = nullptr;

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
    // The pixel grid drawn for the whole widget, kept while the view holds.
    QImage m_gridLayer;
    QRect m_gridLayerArea;
    QTransform m_gridLayerTransform;
    QSize m_gridLayerWidget;
    QSize m_gridLayerCanvas;
    int m_gridLayerGrey = 0;
    bool m_gridLayerValid = false;
    QImage m_frameLayer;
    QRect m_frameLayerArea;
    QTransform m_frameLayerTransform;
    QSize m_frameLayerWidget;
    QRect m_frameLayerFull;
    QRect m_frameLayerNormal;
    bool m_frameLayerValid = false;

    quint8 m_penIndex = 1;
    quint8 m_secondaryIndex = 0;
    Symmetry m_symmetry;
    std::optional<QPoint> m_connectPoint;
    BrushSettings m_brush;
    Texture m_texture;
    TextureMode m_textureMode = TextureMode::Stencil;
    bool m_pressureWidening = true;
    ContourPlacement m_contourPlacement = ContourPlacement::Center;
    bool m_fillPreview = true;
    RedFlagCache m_redFlags[2];
};
