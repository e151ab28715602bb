#include "fittocanvas.h"

#include <QPainter>

QImage fitToCanvas(const QImage &image, QSize target, bool keepAspect, QRgb margin, bool smooth)
{
    QImage scaled(target, QImage::Format_ARGB32_Premultiplied);
    scaled.fill(QColor::fromRgba(margin));
    QRect place(QPoint(0, 0), target);
    if (keepAspect) {
        place.setSize(image.size().scaled(target, Qt::KeepAspectRatio));
        place.moveTopLeft(
            QPoint((target.width() - place.width()) / 2, (target.height() - place.height()) / 2));
    }
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(place, image);
    return scaled;
}
