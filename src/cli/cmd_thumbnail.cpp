#include "clicommand.h"

#include "history/projectfile.h"
#include "history/projectpreview.h"

#include <QCoreApplication>
#include <QImage>
#include <QSaveFile>

namespace
{

// What file managers call to show a project's picture: only the file's first
// record is read, so a long history costs nothing.
int runThumbnail(const QStringList &args);

const CliCommand command{QStringLiteral("thumbnail"),
                         QStringLiteral("thumbnail IN.kvn OUT.png SIZE"), runThumbnail};
const CliRegistration registration(command);

int runThumbnail(const QStringList &args)
{
    if (args.size() != 3)
        return cliUsageError(command);
    bool ok = false;
    const int size = args.at(2).toInt(&ok);
    if (!ok || size < 1 || size > 4096)
        return cliUsageError(command);

    ProjectPreviewInfo info;
    QString error;
    if (!readProjectPreview(args.at(0), info, error)) {
        cliErr(error);
        return 1;
    }
    const QImage picture = ProjectPreview::previewPicture(info, PaletteVariant(0));
    // Whole multiples keep every C64 pixel the same size; only a picture
    // larger than the box is shrunk, and then smoothly.
    const QImage thumbnail = ProjectPreview::scaledPicture(
        picture, ProjectPreview::fitScale(picture.size(), QSize(size, size)));
    // PNG is built in; skipping the scan of the image plugins is most of
    // what makes this fast enough for a file manager's folder of projects.
    QCoreApplication::setLibraryPaths({});
    QSaveFile out(args.at(1));
    if (thumbnail.isNull() || !out.open(QIODevice::WriteOnly) || !thumbnail.save(&out, "PNG") ||
        !out.commit()) {
        cliErr(QStringLiteral("cannot write %1").arg(args.at(1)));
        return 1;
    }
    return 0;
}

} // namespace
