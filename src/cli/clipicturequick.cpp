#include "clipicture.h"

#include "conversion/pngdecoder.h"

#include <QFile>

// The quick front end reads plain PNG pictures of the canvas's size itself;
// anything else goes to the full program, whose reader has the last word.
CliPictureRead cliReadPicture(const QString &path, QSize target, bool, bool, RgbPicture &picture,
                              QString &)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CliPictureRead::NeedsFullReader;
    std::optional<RgbPicture> decoded = PngDecoder::decode(file.readAll());
    if (!decoded || decoded->size() != target)
        return CliPictureRead::NeedsFullReader;
    picture = std::move(*decoded);
    return CliPictureRead::Read;
}
