#include "statustexts.h"

#include "document/geometry.h"
#include "document/project.h"

#include <QCoreApplication>
#include <cmath>

namespace StatusTexts
{

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString pair(int a, int b)
{
    return QStringLiteral("(%1, %2)").arg(a).arg(b);
}

} // namespace

QString modeText(const Project &project)
{
    QString mode = project.mode() == CanvasMode::Multicolor ? tr("Multicolor") : tr("Hires");
    if (project.layout() == CanvasLayout::SideBorderSprites)
        mode += tr(" + Side Sprites");
    else if (project.layout() == CanvasLayout::TopBottomBorderSprites)
        mode += tr(" + T/B Sprites");
    if (project.screensAcross() > 1)
        mode += QStringLiteral(" ×%1").arg(project.screensAcross());
    return tr("Mode: %1").arg(mode);
}

QString sizeText(const Project &project)
{
    return tr("Size: %1×%2").arg(project.width()).arg(project.height());
}

QString aspectText(double displayAspect)
{
    // Only the exact menu values name a video standard; anything else is square.
    QString name = tr("Square");
    if (displayAspect == 0.9375)
        name = tr("PAL");
    else if (displayAspect == 0.75)
        name = tr("NTSC");
    return tr("Aspect: %1").arg(name);
}

QString brushText(bool roundBrush, int penWidth)
{
    return tr("Brush: %1 %2").arg(roundBrush ? tr("Round") : tr("Square")).arg(penWidth);
}

QString zoomText(double zoom)
{
    // std::lround rounds halves away from zero.
    return tr("Zoom: %1%").arg(std::lround(zoom * 100.0));
}

QString rotationText(double degrees)
{
    // A rotation normalised from a negative angle can come out as -0.
    if (degrees == 0.0)
        degrees = 0.0;
    return tr("Rotation: %1°").arg(degrees, 0, 'f', 2);
}

QString stageText(int stagedShapes)
{
    if (stagedShapes <= 0)
        return QString();
    return QCoreApplication::translate("MainWindow", "%n shape(s) staged", nullptr, stagedShapes);
}

HoverTexts hoverTexts(const Project &project, bool valid, QPoint pixel)
{
    const QString none = QStringLiteral("--");
    HoverTexts texts{none, none};
    if (!valid)
        return texts;
    const CanvasMode mode = project.mode();
    const int x = pixel.x();
    const int y = pixel.y();
    for (const CanvasRegion &region : project.regions()) {
        const QRect r = region.rect;
        if (!r.contains(pixel))
            continue;
        switch (region.kind) {
        case RegionKind::Bitmap: {
            const QSize cell = cellSize(mode);
            texts.charCell = pair((x - r.left()) / cell.width(), (y - r.top()) / cell.height());
            break;
        }
        case RegionKind::LeftStrip:
        case RegionKind::RightStrip: {
            // The right strip's columns follow the left strip's two.
            const int column = (x - r.left()) / spriteWidth(mode) + (r.left() != 0 ? 2 : 0);
            texts.sprite = pair(column, hardwareSpriteRowAt(y - r.top()));
            break;
        }
        case RegionKind::TopBorder:
        case RegionKind::BottomBorder: {
            const SpriteGrid grid = spriteGridOf(region, mode, project.layoutSpec());
            const QString border =
                region.kind == RegionKind::TopBorder ? QStringLiteral("T") : QStringLiteral("B");
            texts.sprite = QStringLiteral("(%1, %2%3)")
                               .arg(spriteColumnAt(grid, x))
                               .arg(border)
                               .arg((y - r.top()) / 21);
            break;
        }
        }
        break;
    }
    return texts;
}

StatusFields fields(const Project &project, const StatusInputs &inputs)
{
    StatusFields f;
    f.mode = modeText(project);
    f.size = sizeText(project);
    f.aspect = aspectText(project.view().displayAspect());
    f.brush = brushText(inputs.roundBrush, inputs.penWidth);
    f.zoom = zoomText(project.view().zoom());
    f.rotation = rotationText(project.view().rotation());
    const HoverTexts hover = hoverTexts(project, inputs.hoverValid, inputs.hoverPixel);
    f.charCell = tr("Char: %1").arg(hover.charCell);
    f.sprite = tr("Sprite: %1").arg(hover.sprite);
    f.stage = stageText(inputs.stagedShapes);
    return f;
}

} // namespace StatusTexts
