#pragma once

#include "paint/brushsettings.h"
#include "paint/floodfill.h"
#include "paint/symmetry.h"
#include "paint/texture.h"

#include <QObject>
#include <QSize>

// What the painting tools paint with: the two pen colours, the brush, the
// texture and its mode, pressure widening, symmetry with its axes and
// switches, and the fill's contour placement and preview switch. The
// dashboards, menus, scripts and tools all read and change it here. Every
// setter ignores an unchanged value.
class PaintSettings : public QObject
{
    Q_OBJECT

public:
    // The parts of the stroke style a staged shape carries.
    enum class StyleField {
        StrokeColor,
        OtherColor,
        Width,
        Nib,
        Antialiased,
        Texture,
        TextureMode
    };

    explicit PaintSettings(QObject *parent = nullptr);

    // Pen colours (colour indices 0..15; larger ones become 15).
    quint8 penIndex() const { return m_penIndex; }
    quint8 secondaryIndex() const { return m_secondaryIndex; }
    void setPenIndex(quint8 index);
    void setSecondaryIndex(quint8 index);

    const BrushSettings &brushSettings() const { return m_brush; }
    void setPenWidth(int width);
    void setBrushShape(BrushShape shape);
    const Texture &texture() const { return m_texture; }
    void setTexture(const Texture &texture);
    TextureMode textureMode() const { return m_textureMode; }
    void setTextureMode(TextureMode mode);
    // Tablet strokes widen with pressure.
    bool pressureWidening() const { return m_pressureWidening; }

    const Symmetry &symmetry() const { return m_symmetry; }
    SymmetryMode symmetryMode() const { return m_symmetry.mode(); }
    SymmetryAxes symmetryAxes() const { return m_symmetry.axes(); }
    // Clamped to the canvas the axes live on.
    void setSymmetryAxes(SymmetryAxes axes);
    QSize canvasSize() const { return m_canvasSize; }
    // The axes are clamped to a new canvas when next written.
    void setCanvasSize(QSize size) { m_canvasSize = size; }

    // Where a contour's band lies, and whether the fill preview shows (a
    // contour preview shows while Ctrl is held either way).
    ContourPlacement contourPlacement() const { return m_contourPlacement; }
    bool fillPreviewEnabled() const { return m_fillPreview; }
    void setFillPreviewEnabled(bool on);

signals:
    void penColorsChanged();
    void brushChanged();
    void textureChanged();
    void symmetryChanged();
    void fillOptionsChanged();
    // A part of the stroke style was picked, changed or not: the staged
    // shapes that are selected take it.
    void stylePicked(PaintSettings::StyleField field);

public slots:
    // Switches the menus reach by name.
    void setPixelPerfectStrokes(bool on);
    void setAntialiasedStrokes(bool on);
    void setPressureWidening(bool on);
    // The symmetry menu passes the SymmetryMode values 0..5.
    void setSymmetryMode(int mode);
    void resetSymmetryAxes();
    void setSymmetryApplyToFill(bool on);
    void setSymmetryApplyToShapes(bool on);
    // The placement menu passes the ContourPlacement values 0..2.
    void setContourPlacement(int placement);

private:
    quint8 m_penIndex = 1;
    quint8 m_secondaryIndex = 0;
    BrushSettings m_brush;
    Texture m_texture;
    TextureMode m_textureMode = TextureMode::Stencil;
    bool m_pressureWidening = true;
    Symmetry m_symmetry;
    QSize m_canvasSize;
    ContourPlacement m_contourPlacement = ContourPlacement::Center;
    bool m_fillPreview = true;
};
