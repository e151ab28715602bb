#pragma once

#include "rgbpicture.h"

#include <QByteArray>
#include <optional>

// Reads the plain PNG pictures most photos and drawings are saved as with
// zlib alone, so the command line can convert one without starting Qt's
// image machinery. It reads opaque, non-interlaced pictures of 1 to 8 bits
// per channel; a file that uses anything more (transparency, interlacing,
// 16-bit channels, an orientation tag) or that is damaged gives nothing,
// and the caller reads it with Qt's reader, which has the final word and the
// error messages.
class PngDecoder
{
public:
    static std::optional<RgbPicture> decode(const QByteArray &data);
};
