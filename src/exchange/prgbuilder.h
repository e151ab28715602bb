#pragma once

#include "document/canvastypes.h"
#include "exchange/korvenasmprogram.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

class Project;

// The self-running C64 program of a one-screen canvas: a display program
// (one of six, by mode and layout) patched with the picture's colours and
// sprite positions, followed by the bitmap, screen RAM, colour RAM, the
// single colour byte and, on sprite layouts, the border sprites.
class PrgBuilder
{
    Q_DECLARE_TR_FUNCTIONS(PrgBuilder)

public:
    // The program file (load address first); empty with `error` set when
    // the canvas is not one screen of its layout or a border is over budget.
    static QByteArray buildPrg(const Project &project, QString *error = nullptr);

    // The program loading at $0801 behind a BASIC line "SYS start", so that
    // RUN starts it; a program that already loads there is returned as it is.
    static QByteArray withBasicStart(const QByteArray &prg);

    // The sentence naming the canvas rows an NTSC machine's 263 lines leave
    // out; empty when it shows every row.
    static QString ntscHiddenRowsNote(const Project &project);

    // Load and start address: $1E00 for bitmap-only canvases, $3400 otherwise.
    static int startAddress(CanvasLayout layout);
    // The display program before patching.
    static const KorvenAsmProgram &displayProgram(CanvasMode mode, CanvasLayout layout);
    // "Over the sprite budget: ..." for the two borders' occupied column counts.
    static QString budgetMessage(int topColumns, int bottomColumns);

    static constexpr int SpriteBlockAddress = 0x6800;
    static constexpr int SpriteCount = 40;
};
