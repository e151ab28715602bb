#include "paintsettings.h"

#include <algorithm>

PaintSettings::PaintSettings(QObject *parent) : QObject(parent) {}

void PaintSettings::setPenIndex(quint8 index)
{
    index = std::min<quint8>(index, 15);
    const bool changed = index != m_penIndex;
    m_penIndex = index;
    emit stylePicked(StyleField::StrokeColor);
    if (changed)
        emit penColorsChanged();
}

void PaintSettings::setSecondaryIndex(quint8 index)
{
    index = std::min<quint8>(index, 15);
    const bool changed = index != m_secondaryIndex;
    m_secondaryIndex = index;
    emit stylePicked(StyleField::OtherColor);
    if (changed)
        emit penColorsChanged();
}

void PaintSettings::setPenWidth(int width)
{
    width = std::clamp(width, BrushSettings::MinWidth, BrushSettings::MaxWidth);
    const bool changed = width != m_brush.width;
    m_brush.width = width;
    emit stylePicked(StyleField::Width);
    if (changed)
        emit brushChanged();
}

void PaintSettings::setBrushShape(BrushShape shape)
{
    const bool changed = shape != m_brush.shape;
    m_brush.shape = shape;
    emit stylePicked(StyleField::Nib);
    if (changed)
        emit brushChanged();
}

void PaintSettings::setPixelPerfectStrokes(bool on)
{
    if (on == m_brush.pixelPerfect)
        return;
    m_brush.pixelPerfect = on;
    emit brushChanged();
}

void PaintSettings::setAntialiasedStrokes(bool on)
{
    const bool changed = on != m_brush.antialiased;
    m_brush.antialiased = on;
    emit stylePicked(StyleField::Antialiased);
    if (changed)
        emit brushChanged();
}

void PaintSettings::setPressureWidening(bool on)
{
    if (on == m_pressureWidening)
        return;
    m_pressureWidening = on;
    emit brushChanged();
}

void PaintSettings::setTexture(const Texture &texture)
{
    const bool changed = !(texture == m_texture);
    m_texture = texture;
    emit stylePicked(StyleField::Texture);
    if (changed)
        emit textureChanged();
}

void PaintSettings::setTextureMode(TextureMode mode)
{
    const bool changed = mode != m_textureMode;
    m_textureMode = mode;
    emit stylePicked(StyleField::TextureMode);
    if (changed)
        emit textureChanged();
}

void PaintSettings::setSymmetryMode(int mode)
{
    mode = std::clamp(mode, int(SymmetryMode::None), int(SymmetryMode::Kaleidoscope));
    if (m_symmetry.setMode(SymmetryMode(mode)))
        emit symmetryChanged();
}

void PaintSettings::setSymmetryAxes(SymmetryAxes axes)
{
    if (m_symmetry.setAxes(axes, m_canvasSize))
        emit symmetryChanged();
}

void PaintSettings::resetSymmetryAxes()
{
    setSymmetryAxes(SymmetryAxes::centreOf(m_canvasSize));
}

void PaintSettings::setSymmetryApplyToFill(bool on)
{
    if (m_symmetry.setApplyToFill(on))
        emit symmetryChanged();
}

void PaintSettings::setSymmetryApplyToShapes(bool on)
{
    if (m_symmetry.setApplyToShapes(on))
        emit symmetryChanged();
}

void PaintSettings::setContourPlacement(int placement)
{
    const auto value = ContourPlacement(std::clamp(placement, 0, 2));
    if (value == m_contourPlacement)
        return;
    m_contourPlacement = value;
    emit fillOptionsChanged();
}

void PaintSettings::setFillPreviewEnabled(bool on)
{
    if (on == m_fillPreview)
        return;
    m_fillPreview = on;
    emit fillOptionsChanged();
}
