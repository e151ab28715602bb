#include "projectpreview.h"

#include <QBuffer>

QImage ProjectPreview::previewPicture(const ProjectPreviewInfo &info, PaletteVariant palette)
{
    const QImage picture = info.colormap.toImage(palette);
    if (info.mode != CanvasMode::Multicolor || picture.isNull())
        return picture;
    return picture.scaled(picture.width() * 2, picture.height(), Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
}

QSize ProjectPreview::fitScale(const QSize &pictureSize, const QSize &box)
{
    if (pictureSize.isEmpty())
        return pictureSize;
    const int k = qMin(box.width() / pictureSize.width(), box.height() / pictureSize.height());
    if (k >= 1)
        return pictureSize * k;
    return pictureSize.scaled(box, Qt::KeepAspectRatio);
}

QImage ProjectPreview::scaledPicture(const QImage &image, const QSize &size)
{
    if (image.isNull() || image.size() == size)
        return image;
    const bool shrinking = size.width() < image.width() || size.height() < image.height();
    return image.scaled(size, Qt::IgnoreAspectRatio,
                        shrinking ? Qt::SmoothTransformation : Qt::FastTransformation);
}

QString ProjectPreview::previewMetadata(const ProjectPreviewInfo &info, const QSize &pictureSize)
{
    QStringList items;
    items << (info.mode == CanvasMode::Multicolor ? tr("Multicolor") : tr("Hires"));
    items << tr("%1 x %2").arg(pictureSize.width()).arg(pictureSize.height());
    if (info.screensAcross > 1)
        items << tr("%1 screens").arg(info.screensAcross);
    items << tr("%n workstage(s)", nullptr, info.position + 1);
    return items.join(QLatin1String(", "));
}

QString ProjectPreview::recentBubbleHtml(const QString &path, PaletteVariant palette)
{
    ProjectPreviewInfo info;
    QString error;
    if (!readProjectPreview(path, info, error))
        return QStringLiteral("<p>%1</p>").arg(error.toHtmlEscaped());
    const QImage picture = previewPicture(info, palette);
    const QString metadata = previewMetadata(info, picture.size()).toHtmlEscaped();
    QByteArray png;
    QBuffer buffer(&png);
    const QImage fitted = scaledPicture(picture, fitScale(picture.size(), BubbleBox));
    if (fitted.isNull() || !buffer.open(QIODevice::WriteOnly) || !fitted.save(&buffer, "PNG"))
        return QStringLiteral("<p>%1</p>").arg(metadata);
    return QStringLiteral("<img src='data:image/png;base64,%1'><br/>%2")
        .arg(QString::fromLatin1(png.toBase64()), metadata);
}
