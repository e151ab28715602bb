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
        paintFrame(painter, project, frameColor);
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

void PictureExport::paintFrame(QPainter &painter, const Project &project, quint8 frameColor)
{
    if (!project.hasBorderFrame())
        return;
    const QRect frame = borderFrameRect(project.mode(), project.size(), project.layoutSpec());
    const PaletteVariant variant = project.paletteVariant();
    painter.fillRect(frame, QColor::fromRgb(paletteRgb(variant, frameColor)));
    if (project.layout() != CanvasLayout::TopBottomBorderSprites)
        return;
    // The vertical border stays open beyond the strips: between the side
    // borders the lines above the top strip show its background, those below
    // the bottom strip the bottom strip's.
    const auto band = [&](int top, int bottom, ColorSlot slot) {
        painter.fillRect(QRect(QPoint(0, top), QPoint(project.width() - 1, bottom)),
                         QColor::fromRgb(paletteRgb(variant, project.slot(slot))));
    };
    band(frame.top(), -1, ColorSlot::TopBackground);
    band(project.height(), frame.bottom(), ColorSlot::BottomBackground);
}
