#include "c64machine.h"

C64Machine::C64Machine(Standard standard)
    : cpu(*this), m_cpl(standard == Standard::Pal ? 63 : 65),
      m_lines(standard == Standard::Pal ? 312 : 263)
{
    m_spriteFirst.fill(-100);
    vic[0x11] = 0x1b;
    vic[0x16] = 0xc8;
    vic[0x18] = 0x15;
    vic[0x20] = 14;
    vic[0x21] = 6;
}

int C64Machine::loadPrg(const QByteArray &prg)
{
    if (prg.size() < 2)
        return -1;
    const int load = uint8_t(prg[0]) | uint8_t(prg[1]) << 8;
    for (int i = 2; i < prg.size() && load + i - 2 < 65536; ++i)
        ram[size_t(load + i - 2)] = uint8_t(prg[i]);
    return load;
}

void C64Machine::run(int64_t cycles)
{
    const int64_t end = m_cycles + cycles;
    while (m_cycles < end)
        cpu.step();
}

bool C64Machine::runUntil(uint16_t address, int64_t maxCycles)
{
    const int64_t end = m_cycles + maxCycles;
    while (m_cycles < end) {
        if (cpu.pc == address)
            return true;
        cpu.step();
    }
    return cpu.pc == address;
}

void C64Machine::runToLine(int line)
{
    while (m_line != line)
        cpu.step();
}

QByteArray C64Machine::memory(int address, int size) const
{
    return QByteArray(reinterpret_cast<const char *>(ram.data()) + address, size);
}

QByteArray C64Machine::colorRamBytes() const
{
    QByteArray bytes(1000, '\0');
    for (int i = 0; i < 1000; ++i)
        bytes[i] = char(colorRam[size_t(i)] & 15);
    return bytes;
}

std::vector<C64Machine::VicWrite> C64Machine::writesTo(int reg) const
{
    std::vector<VicWrite> list;
    for (const VicWrite &w : vicWrites)
        if (w.reg == reg)
            list.push_back(w);
    return list;
}

int C64Machine::vicBank() const
{
    const int bits = (m_dd00 | ~m_dd02) & 3;
    return (3 - bits) * 0x4000;
}

uint8_t C64Machine::read(uint16_t address)
{
    if (address == 0)
        return m_port00;
    if (address == 1)
        return m_port01;
    if (address < 0xd000 || address > 0xdfff || !ioVisible())
        return ram[address];
    if (address < 0xd400) {
        const int reg = address & 0x3f;
        switch (reg) {
        case 0x11:
            return uint8_t((vic[0x11] & 0x7f) | ((m_line & 0x100) >> 1));
        case 0x12:
            return uint8_t(m_line);
        case 0x16:
            return vic[reg] | 0xc0;
        case 0x18:
            return vic[reg] | 0x01;
        case 0x19:
            return uint8_t(m_irqFlags | 0x70 | (irqLine() ? 0x80 : 0));
        case 0x1a:
            return vic[reg] | 0xf0;
        default:
            return reg >= 0x20 && reg <= 0x2e ? (vic[reg] | 0xf0) : reg > 0x2e ? 0xff : vic[reg];
        }
    }
    if (address >= 0xd800 && address < 0xdc00) // the upper nibble is whatever the bus holds
        return uint8_t((colorRam[address & 0x3ff] & 15) | (m_cycles << 4 & 0xf0));
    if (address >= 0xdc00 && address < 0xdd00) {
        if ((address & 15) == 13)
            return 0;
        return 0xff;
    }
    if (address >= 0xdd00 && address < 0xde00) {
        switch (address & 15) {
        case 0:
            return uint8_t(m_dd00 | ~m_dd02);
        case 2:
            return m_dd02;
        case 13: {
            const uint8_t flags = uint8_t(m_cia2Flags | ((m_cia2Flags & m_cia2Mask) ? 0x80 : 0));
            m_cia2Flags = 0;
            return flags;
        }
        case 14:
            return m_cia2Control;
        default:
            return 0;
        }
    }
    return 0xff;
}

void C64Machine::write(uint16_t address, uint8_t value)
{
    if (address == 0) {
        m_port00 = value;
        return;
    }
    if (address == 1) {
        m_port01 = uint8_t((value & m_port00) | (m_port01 & ~m_port00));
        return;
    }
    if (address < 0xd000 || address > 0xdfff || !ioVisible()) {
        ram[address] = value;
        return;
    }
    if (address < 0xd400) {
        const int reg = address & 0x3f;
        if (recordVicWrites)
            vicWrites.push_back({m_frameLine, m_line, m_cycle, uint16_t(reg), value});
        if (reg == 0x19)
            m_irqFlags &= uint8_t(~value & 15);
        else
            vic[size_t(reg)] = value;
        return;
    }
    if (address >= 0xd800 && address < 0xdc00) {
        colorRam[address & 0x3ff] = value & 15;
        return;
    }
    if (address >= 0xdc00 && address < 0xdd00) {
        if ((address & 15) == 13)
            m_cia1Mask = (value & 0x80) ? (m_cia1Mask | (value & 0x1f)) : (m_cia1Mask & ~value);
        return;
    }
    if (address >= 0xdd00 && address < 0xde00) {
        switch (address & 15) {
        case 0:
            m_dd00 = value;
            break;
        case 2:
            m_dd02 = value;
            break;
        case 4:
            m_cia2Latch = uint16_t((m_cia2Latch & 0xff00) | value);
            break;
        case 5:
            m_cia2Latch = uint16_t((m_cia2Latch & 0xff) | value << 8);
            if (!(m_cia2Control & 1))
                m_cia2Counter = m_cia2Latch;
            break;
        case 13:
            m_cia2Mask = (value & 0x80) ? uint8_t(m_cia2Mask | (value & 0x1f))
                                        : uint8_t(m_cia2Mask & ~value);
            break;
        case 14:
            if (value & 0x10)
                m_cia2Counter = m_cia2Latch;
            m_cia2Control = value & 0xef;
            break;
        default:
            break;
        }
    }
}

bool C64Machine::badline() const
{
    return m_line >= 0x30 && m_line <= 0xf7 && (m_line & 7) == (vic[0x11] & 7) &&
           (vic[0x11] & 0x10);
}

bool C64Machine::spriteShowsOn(int sprite, int64_t frameLine) const
{
    const int64_t first = m_spriteFirst[size_t(sprite)];
    return frameLine >= first && frameLine <= first + 20;
}

// The VIC holds the CPU on badlines from cycle 12 to 54 and, for each
// sprite being shown, from three cycles before its two fetch cycles to
// their end: sprites 0-2 at the end of the line before, 3-7 at the start
// of their line.
bool C64Machine::rdyLow() const
{
    if (badline() && m_cycle >= 12 && m_cycle <= 54)
        return true;
    const int firstLow = m_cpl == 63 ? 58 : 60;
    for (int n = 0; n < 8; ++n) {
        if (n < 3) {
            const int fetch = firstLow + 2 * n;
            if (m_cycle >= fetch - 3 && m_cycle <= fetch + 1 && spriteShowsOn(n, m_frameLine + 1))
                return true;
        } else {
            const int fetch = 1 + 2 * (n - 3);
            if (m_cycle >= fetch - 3 && m_cycle <= fetch + 1 && spriteShowsOn(n, m_frameLine))
                return true;
            if (m_cycle >= m_cpl + fetch - 3 && spriteShowsOn(n, m_frameLine + 1))
                return true;
        }
    }
    return false;
}

bool C64Machine::irqLine() const
{
    return (m_irqFlags & vic[0x1a] & 15) != 0;
}

bool C64Machine::nmiLine() const
{
    return (m_cia2Flags & m_cia2Mask & 0x1f) != 0;
}

void C64Machine::newLine()
{
    m_cycle = 1;
    ++m_frameLine;
    if (++m_line == m_lines)
        m_line = 0;
}

void C64Machine::tick()
{
    ++m_cycles;
    if (m_cia2Control & 1) {
        if (m_cia2Counter == 0) {
            m_cia2Flags |= 1;
            m_cia2Counter = m_cia2Latch;
            if (m_cia2Control & 8)
                m_cia2Control &= 0xfe;
        } else {
            --m_cia2Counter;
        }
    }
    if (++m_cycle > m_cpl)
        newLine();
    // Sprite fetches start when a sprite's Y matches the line, at cycle 55.
    if (m_cycle == 55) {
        for (int n = 0; n < 8; ++n) {
            const int64_t first = m_spriteFirst[size_t(n)];
            const bool running = m_frameLine >= first - 1 && m_frameLine <= first + 19;
            if ((vic[0x15] >> n & 1) && vic[size_t(1 + 2 * n)] == (m_line & 0xff) && !running)
                m_spriteFirst[size_t(n)] = m_frameLine + 1;
        }
    }
    const int compare = vic[0x12] | (vic[0x11] & 0x80) << 1;
    if (m_cycle == (m_line == 0 ? 2 : 1) && m_line == compare)
        m_irqFlags |= 1;
}
