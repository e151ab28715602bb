#include "pictureexport.h"

#include "document/geometry.h"
#include "document/project.h"

#include <QPainter>
#include <cmath>

QImage PictureExport::exportImage(const Project &project, const Colormap &pixels, bool withBorders,
                                  quint8 frameColor)
{
    QImage image = pixels.toImage(project.paletteVariant());
    if (image.isNull())
        return image;
    if (withBorders && project.hasBorderFrame()) {
        const QRect frame = borderFrameRect(project.mode(), project.size(), project.layoutSpec());
        QImage framed(frame.size(), QImage::Format_RGB32);
        QPainter painter(&framed);
        painter.translate(-frame.topLeft());
        const PaletteVariant variant = project.paletteVariant();
        painter.fillRect(frame, QColor::fromRgb(paletteRgb(variant, frameColor)));
        if (project.layout() == CanvasLayout::TopBottomBorderSprites) {
            // The bands beyond the opened borders stay black on the machine.
            const QColor black = QColor::fromRgb(paletteRgb(variant, 0));
            painter.fillRect(QRect(QPoint(frame.left(), frame.top()), QPoint(frame.right(), -1)),
                             black);
            painter.fillRect(QRect(QPoint(frame.left(), project.height()),
                                   QPoint(frame.right(), frame.bottom())),
                             black);
        }
        painter.drawImage(QPoint(0, 0), image);
        painter.end();
        image = framed;
    }
    const int scale = std::max(1, int(std::lround(project.view().pixelWidth())));
    if (scale < 2)
        return image;
    return image.scaled(image.width() * scale, image.height(), Qt::IgnoreAspectRatio,
                        Qt::FastTransformation);
}

QImage PictureExport::exportImage(const Project &project, bool withBorders)
{
    return exportImage(project, project.colormap(), withBorders, project.frameColor());
}
