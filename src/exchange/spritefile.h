#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QList>

class Project;

// What the last byte of each 64-byte sprite record means.
enum class SpriteAttributes : qint32 {
    Ignore = 0,        // every sprite takes the pen colour
    Color = 1,         // low nibble: the sprite's colour
    ColorPosition = 2, // low nibble colour, high nibble the border column (top/bottom canvases)
};

// Sprite sheets as the PRG export embeds them: a load address, then records
// of 63 bytes of sprite data (21 rows of 3 bytes) and one attribute byte,
// placed into the border strips the way the exported program shows them.
class SpriteFile
{
    Q_DECLARE_TR_FUNCTIONS(SpriteFile)

public:
    static constexpr int RecordSize = 64;

    // The 64-byte records; false with "Unknown file format." for a file of
    // the wrong size.
    static bool readSpriteFile(const QByteArray &bytes, QList<QByteArray> &sprites, QString &error);
    // How many sprites the border strips of a layout hold: 40, 32 or 0.
    static int spriteCapacity(CanvasLayout layout);
    // The refusal for a sheet larger than the canvas takes, or empty.
    static QString capacityProblem(const Project &project, qsizetype count);
    // The canvas with every sprite strip replaced by the sheet; strip
    // positions no sprite fills come back transparent.
    static Colormap spritesToStrips(const Project &project, const QList<QByteArray> &sprites,
                                    SpriteAttributes convention, quint8 penColor);
    // The sheet decoded in the canvas's colours, eight sprites a row, for a
    // chooser's preview; multicolor pixels doubled.
    static QImage spriteSheetPreview(const Project &project, const QList<QByteArray> &sprites,
                                     SpriteAttributes convention, quint8 penColor = 1);
};
