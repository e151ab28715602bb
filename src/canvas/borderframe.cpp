#include "borderframe.h"

#include "document/geometry.h"
#include "document/palette.h"
#include "document/project.h"

#include <QPainter>

namespace
{

QRectF pixelEdges(const QRect &rect)
{
    return QRectF(rect.x(), rect.y(), rect.width(), rect.height());
}

} // namespace

QRectF framedPictureRect(const Project &project)
{
    if (project.hasBorderFrame())
        return pixelEdges(borderFrameRect(project.mode(), project.size(), project.layoutSpec()));
    return QRectF(0, 0, project.width(), project.height());
}

void paintBorderFrame(QPainter &painter, const Project &project)
{
    if (!project.hasBorderFrame())
        return;
    const QRect frame = borderFrameRect(project.mode(), project.size(), project.layoutSpec());
    const PaletteVariant variant = project.paletteVariant();
    painter.fillRect(pixelEdges(frame), QColor::fromRgb(paletteRgb(variant, project.frameColor())));
    if (project.layout() != CanvasLayout::TopBottomBorderSprites)
        return;
    const QColor black = QColor::fromRgb(paletteRgb(variant, 0));
    painter.fillRect(QRectF(frame.left(), frame.top(), frame.width(), -frame.top()), black);
    painter.fillRect(QRectF(frame.left(), project.height(), frame.width(),
                            frame.bottom() + 1 - project.height()),
                     black);
}
