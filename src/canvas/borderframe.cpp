#include "borderframe.h"

#include "document/geometry.h"
#include "document/project.h"
#include "exchange/pictureexport.h"

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
    PictureExport::paintFrame(painter, project, project.frameColor());
}
