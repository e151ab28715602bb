#pragma once

#include "document/canvastypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class Project;
struct KorvenAsmProgram;

// The C64 memory a freshly exported display program sets up once it runs:
// the program file where it loads, the screen and colour RAM copies its
// set-up makes, and the registers its set-up loads from patched operands or
// the single colour byte. Two images of the same program differ only in
// what the canvas decides, so the bytes that turn the running machine from
// one into the other can be written in place. Where the areas lie comes
// from the display program's own symbols and code, never from addresses
// written down here.
class LiveImage
{
public:
    // A run of C64 memory to write.
    struct Block {
        int address = 0;
        QByteArray bytes;
    };

    LiveImage() = default;
    // The image of the project's (uncompressed) program; invalid, with the
    // builder's words in `error`, when the canvas cannot be exported.
    static LiveImage fromProject(const Project &project, QString *error = nullptr);
    // The image `prg` sets up, `program` being its display program.
    static LiveImage fromPrg(const QByteArray &prg, const KorvenAsmProgram &program,
                             CanvasMode mode, CanvasLayout layout);

    bool isValid() const { return !m_prg.isEmpty(); }
    const QByteArray &prg() const { return m_prg; }
    int startAddress() const;

    // Whether the program running this image shows `next` once memory is
    // written; false when it must be sent and started again (another mode
    // or layout, or a top/bottom border gaining or losing a sprite column).
    bool canBecome(const LiveImage &next) const;
    // The writes that turn this image's memory into `next`'s: every changed
    // byte, runs less than `mergeGap` unchanged bytes apart sent as one.
    QList<Block> writesTo(const LiveImage &next, int mergeGap) const;
    // Takes a block as written.
    void apply(const Block &block);
    // Whether the block lies wholly in data the running program no longer
    // looks at (the screen and colour RAM it copied at start): such writes
    // only keep the memory whole and can wait for the ones that show.
    bool isBackstage(const Block &block) const;

    // The byte this image puts at `address`, or -1 where it puts none.
    int byteAt(int address) const;
    // How many bytes this image sets.
    int size() const;

private:
    void set(int address, quint8 value);

    QByteArray m_prg;
    CanvasMode m_mode = CanvasMode::Hires;
    CanvasLayout m_layout = CanvasLayout::BitmapOnly;
    int m_load = 0;
    // The strip columns in use per border (top/bottom layout), bit per column.
    int m_topColumns = 0;
    int m_bottomColumns = 0;
    // Copy sources, as [first, end) address ranges.
    QList<std::pair<int, int>> m_backstage;
    std::vector<quint8> m_memory = std::vector<quint8>(65536, 0);
    std::vector<bool> m_set = std::vector<bool>(65536, false);
};
