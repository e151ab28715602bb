// Feeds arbitrary bytes to the command line's PNG decoder: it either declines
// or returns an opaque picture of a sensible size, the same every time.

#include "conversion/pngdecoder.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<RgbPicture> picture = PngDecoder::decode(bytes);
    if (!picture)
        return 0;
    if (picture->isNull() || picture->width() <= 0 || picture->height() <= 0)
        __builtin_trap();
    for (int y = 0; y < picture->height(); ++y)
        for (int x = 0; x < picture->width(); ++x)
            if ((picture->pixel(x, y) >> 24) != 0xff)
                __builtin_trap();
    const std::optional<RgbPicture> again = PngDecoder::decode(bytes);
    if (!again || again->toImage() != picture->toImage())
        __builtin_trap();
    return 0;
}
