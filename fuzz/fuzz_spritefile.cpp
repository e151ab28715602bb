// Feeds arbitrary bytes to the sprite sheet reader and places whatever it
// accepts on each sprite canvas under each attribute convention: the strips
// change, the bitmap never does, and a sheet too large changes nothing.

#include "document/project.h"
#include "exchange/spritefile.h"

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
    QList<QByteArray> sprites;
    QString error;
    if (!SpriteFile::readSpriteFile(bytes, sprites, error)) {
        if (error.isEmpty() || !sprites.isEmpty())
            __builtin_trap();
        return 0;
    }
    for (const CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor})
        for (const CanvasLayout layout :
             {CanvasLayout::SideBorderSprites, CanvasLayout::TopBottomBorderSprites}) {
            Project project(mode, -1, -1, LayoutSpec{layout});
            project.colormap().fill(3);
            const QRect bitmap = project.regionRect(RegionKind::Bitmap);
            for (const SpriteAttributes convention :
                 {SpriteAttributes::Ignore, SpriteAttributes::Color,
                  SpriteAttributes::ColorPosition}) {
                const Colormap strips =
                    SpriteFile::spritesToStrips(project, sprites, convention, 1);
                const bool fits = SpriteFile::capacityProblem(project, sprites.size()).isEmpty();
                if (strips.size() != project.size() ||
                    strips.copy(bitmap) != project.colormap().copy(bitmap) ||
                    (!fits && strips != project.colormap()))
                    __builtin_trap();
                if (SpriteFile::spriteSheetPreview(project, sprites, convention).isNull())
                    __builtin_trap();
            }
        }
    return 0;
}
