// Feeds arbitrary bytes to the C64 picture reader, automatically and forced
// to each of the nine formats. A picture it accepts must encode back to the
// same pixels: every decoded cell holds no more colours than the hardware
// allows, so the encoder has a choice for each of them.

#include "exchange/nativeformats.h"

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
    for (int forced = 0; forced <= NativeFormats::FormatCount; ++forced) {
        NativeImage image;
        QString error;
        if (!NativeFormats::recognizeAndDecode(bytes, forced, image, error)) {
            if (error.isEmpty())
                __builtin_trap();
            continue;
        }
        const Colormap pixels = NativeFormats::decodeToColormap(image);
        std::array<quint8, ColorSlotCount> slotValues = {};
        slotValues[size_t(ColorSlot::Background)] = image.background;
        const CanvasMode mode = NativeFormats::formatMode(image.format);
        NativeImage again;
        if (!NativeFormats::recognizeAndDecode(
                NativeFormats::writeNative(pixels, mode, 0, slotValues), 0, again, error) ||
            NativeFormats::decodeToColormap(again) != pixels)
            __builtin_trap();
    }
    return 0;
}
