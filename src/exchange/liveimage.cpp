#include "liveimage.h"

#include "korvenasmprogram.h"
#include "prgbuilder.h"

#include "document/project.h"

#include <algorithm>

namespace
{

constexpr quint8 LdaImmediate = 0xa9;
constexpr quint8 LdaAbsolute = 0xad;
constexpr quint8 LdaAbsoluteX = 0xbd;
constexpr quint8 StaAbsolute = 0x8d;
constexpr quint8 StaAbsoluteX = 0x9d;
// The screen's 40 x 25 cells, as screen RAM and colour RAM hold them.
constexpr int ScreenBytes = 1000;

bool isVicRegister(int address)
{
    return address >= 0xd000 && address < 0xd040;
}

// The set of strip columns in use by one border's sprites: the high nibble
// of each attribute byte, 15 for an empty position.
int columnsOf(const QByteArray &prg, int load, int firstSprite)
{
    int columns = 0;
    for (int i = 0; i < 8; ++i) {
        const int at = 2 + PrgBuilder::SpriteBlockAddress - load + (firstSprite + i) * 64 + 63;
        if (at < 0 || at >= prg.size())
            continue;
        const int column = quint8(prg.at(at)) >> 4;
        if (column < 15)
            columns |= 1 << column;
    }
    return columns;
}

} // namespace

LiveImage LiveImage::fromProject(const Project &project, QString *error)
{
    const QByteArray prg = PrgBuilder::buildPrg(project, error);
    if (prg.isEmpty())
        return {};
    return fromPrg(prg, PrgBuilder::displayProgram(project.mode(), project.layout()),
                   project.mode(), project.layout());
}

LiveImage LiveImage::fromPrg(const QByteArray &prg, const KorvenAsmProgram &program,
                             CanvasMode mode, CanvasLayout layout)
{
    LiveImage image;
    if (prg.size() < 3)
        return image;
    image.m_prg = prg;
    image.m_mode = mode;
    image.m_layout = layout;
    image.m_load = quint8(prg.at(0)) | quint8(prg.at(1)) << 8;
    for (qsizetype i = 2; i < prg.size() && image.m_load + i - 2 < 65536; ++i)
        image.set(int(image.m_load + i - 2), quint8(prg.at(i)));
    if (layout == CanvasLayout::TopBottomBorderSprites) {
        image.m_bottomColumns = columnsOf(prg, image.m_load, 0);
        image.m_topColumns = columnsOf(prg, image.m_load, 16);
    }

    // What the set-up does before the program idles: the code up to its
    // main loop.
    const int idleLoop = program.offsetOf("forever");
    const int setupEnd = idleLoop < 0 ? program.size : idleLoop;
    const auto byte = [&](int offset) { return offset < program.size ? program.bytes[offset] : 0; };
    const auto word = [&](int offset) { return byte(offset) | byte(offset + 1) << 8; };
    const auto memory = [&](int address) { return image.m_memory[size_t(address & 0xffff)]; };

    // Screen and colour RAM are copied from the program's data to where the
    // VIC shows them: "LDA from,X / STA to,X" with `from` the data's symbol.
    for (const char *source : {"SCRDATA", "COLDATA"}) {
        const int from = program.symbol(source);
        if (from < 0)
            continue;
        for (int i = 0; i + 6 <= setupEnd; ++i) {
            if (byte(i) != LdaAbsoluteX || word(i + 1) != from || byte(i + 3) != StaAbsoluteX)
                continue;
            const int to = word(i + 4);
            for (int k = 0; k < ScreenBytes; ++k)
                image.set(to + k, memory(from + k));
            if (!image.m_backstage.contains(std::pair(from, from + ScreenBytes)))
                image.m_backstage.append({from, from + ScreenBytes});
        }
    }
    // Registers loaded once from the single colour byte...
    const int single = program.symbol("ONECOL");
    for (int i = 0; single >= 0 && i + 3 <= setupEnd; ++i) {
        if (byte(i) != LdaAbsolute || word(i + 1) != single)
            continue;
        for (int j = i + 3; j + 3 <= setupEnd && byte(j) == StaAbsolute; j += 3) {
            if (isVicRegister(word(j + 1)))
                image.set(word(j + 1), memory(single));
        }
    }
    // ... and from the operands the exporter patches.
    for (int l = 0; l < program.labelCount; ++l) {
        const int at = program.labels[l].offset;
        if (at < 1 || at + 3 > setupEnd || byte(at - 1) != LdaImmediate ||
            byte(at + 1) != StaAbsolute || !isVicRegister(word(at + 2)))
            continue;
        image.set(word(at + 2), memory(program.origin + at));
    }
    return image;
}

int LiveImage::startAddress() const
{
    return m_load;
}

bool LiveImage::canBecome(const LiveImage &next) const
{
    return isValid() && next.isValid() && m_mode == next.m_mode && m_layout == next.m_layout &&
           m_load == next.m_load && m_prg.size() == next.m_prg.size() &&
           m_topColumns == next.m_topColumns && m_bottomColumns == next.m_bottomColumns;
}

QList<LiveImage::Block> LiveImage::writesTo(const LiveImage &next, int mergeGap) const
{
    QList<Block> blocks;
    int runStart = -1;
    int lastChanged = -1;
    const auto close = [&] {
        if (runStart < 0)
            return;
        Block block;
        block.address = runStart;
        for (int a = runStart; a <= lastChanged; ++a)
            block.bytes.append(char(next.m_memory[size_t(a)]));
        blocks.append(block);
        runStart = -1;
    };
    for (int a = 0; a < 65536; ++a) {
        if (!next.m_set[size_t(a)]) {
            // Bytes the image does not set never travel, not even in a gap.
            close();
            continue;
        }
        const bool changed = !m_set[size_t(a)] || m_memory[size_t(a)] != next.m_memory[size_t(a)];
        if (!changed) {
            if (runStart >= 0 && a - lastChanged >= mergeGap)
                close();
            continue;
        }
        if (runStart < 0)
            runStart = a;
        lastChanged = a;
    }
    close();
    return blocks;
}

void LiveImage::apply(const Block &block)
{
    for (qsizetype i = 0; i < block.bytes.size(); ++i)
        set(int(block.address + i), quint8(block.bytes.at(i)));
}

bool LiveImage::isBackstage(const Block &block) const
{
    const int end = block.address + int(block.bytes.size());
    return std::any_of(m_backstage.begin(), m_backstage.end(), [&](const auto &range) {
        return block.address >= range.first && end <= range.second;
    });
}

int LiveImage::byteAt(int address) const
{
    if (address < 0 || address > 0xffff || !m_set[size_t(address)])
        return -1;
    return m_memory[size_t(address)];
}

int LiveImage::size() const
{
    return int(std::count(m_set.begin(), m_set.end(), true));
}

void LiveImage::set(int address, quint8 value)
{
    m_memory[size_t(address & 0xffff)] = value;
    m_set[size_t(address & 0xffff)] = true;
}
