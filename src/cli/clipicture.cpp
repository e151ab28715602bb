#include "clipicture.h"

#include "conversion/fittocanvas.h"

#include <QFileInfo>
#include <QImageReader>

namespace
{

// Reads a picture, turned as its metadata says. A picture whose suffix names
// a built-in format is read as that format first, so the reader does not
// load every image plugin to ask which one knows the file.
QImage readImage(const QString &path, QString &error)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix == "png" || suffix == "bmp" || suffix == "ppm" || suffix == "pbm" ||
        suffix == "pgm" || suffix == "xpm" || suffix == "xbm") {
        QImageReader reader(path, suffix);
        reader.setAutoTransform(true);
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    error = reader.errorString();
    return image;
}

} // namespace

CliPictureRead cliReadPicture(const QString &path, QSize target, bool fit, bool smooth,
                              RgbPicture &picture, QString &error)
{
    QImage image = readImage(path, error);
    if (image.isNull())
        return CliPictureRead::Failed;
    if (image.size() != target)
        image = fitToCanvas(image, target, fit, qRgb(0, 0, 0), smooth);
    picture = RgbPicture::fromImage(image);
    return CliPictureRead::Read;
}
