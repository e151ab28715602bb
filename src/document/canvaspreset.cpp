#include "canvaspreset.h"

#include <QtGlobal>

const QList<CanvasPreset> &CanvasPreset::all()
{
    using M = CanvasMode;
    using L = CanvasLayout;
    static const QList<CanvasPreset> presets = {
        {QT_TRANSLATE_NOOP("MenuTable", "Hires Canvas"), "newHiresCanvas()", M::Hires,
         L::BitmapOnly, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Multicolor Canvas"), "newMulticolorCanvas()",
         M::Multicolor, L::BitmapOnly, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Hires + Side Sprites Canvas"), "newHiresSpritesCanvas()",
         M::Hires, L::SideBorderSprites, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Hires + Top/Bottom Sprites Canvas"),
         "newHiresTopBottomSpritesCanvas()", M::Hires, L::TopBottomBorderSprites, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Multicolor + Side Sprites Canvas"),
         "newMulticolorSpritesCanvas()", M::Multicolor, L::SideBorderSprites, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Multicolor + Top/Bottom Sprites Canvas"),
         "newMulticolorTopBottomSpritesCanvas()", M::Multicolor, L::TopBottomBorderSprites, 1},
        {QT_TRANSLATE_NOOP("MenuTable", "Dual Hires Canvas"), "newDualHiresCanvas()", M::Hires,
         L::BitmapOnly, 2},
        {QT_TRANSLATE_NOOP("MenuTable", "Dual Multicolor Canvas"), "newDualMulticolorCanvas()",
         M::Multicolor, L::BitmapOnly, 2},
    };
    return presets;
}
