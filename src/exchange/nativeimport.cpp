#include "nativeimport.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/wholecanvasedits.h"

QString NativeImport::problemWith(const QByteArray &bytes, int forcedFormat, CanvasMode mode,
                                  NativeImage &image)
{
    QString error;
    if (!NativeFormats::recognizeAndDecode(bytes, forcedFormat, image, error))
        return error;
    const CanvasMode format = NativeFormats::formatMode(image.format);
    if (format == mode)
        return {};
    const QString name = NativeFormats::formatName(image.format);
    return format == CanvasMode::Hires
               ? tr("%1 is a hires format; this canvas is multicolor.").arg(name)
               : tr("%1 is a multicolor format; this canvas is hires.").arg(name);
}

QRect NativeImport::importInto(Project &project, const NativeImage &image, int screen)
{
    const QRect bitmap = bitmapRegionRect(project.mode(), project.size(), project.layoutSpec());
    const Colormap picture = NativeFormats::decodeToColormap(image);
    const QPoint origin = bitmap.topLeft() + QPoint(screen * picture.width(), 0);
    Colormap composed = project.colormap();
    composed.paste(
        origin, picture.copy(QRect(QPoint(0, 0), (bitmap & QRect(origin, picture.size())).size())));
    // Hires cells carry their own colours; only multicolor has a shared background.
    const bool multicolor = project.mode() == CanvasMode::Multicolor;
    return ::importImage(
        project, composed, multicolor ? image.background : project.slot(ColorSlot::Background),
        image.hasBorder ? std::optional<quint8>(image.border) : std::nullopt, screen, true);
}
