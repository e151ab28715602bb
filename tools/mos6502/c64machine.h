#pragma once

#include "mos6502.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// Enough of a C64 to run a display program and watch what it does: 64 KB
// of RAM with the processor port's I/O switch (no ROMs), colour RAM, the
// VIC-II registers with the raster counter, raster interrupt, badlines and
// sprite fetches holding the CPU, and CIA 2's timer A for the NMI.
// PAL: 63 cycles x 312 lines; NTSC: 65 x 263. Cycles are numbered 1 to
// the line length; raster line L starts at its cycle 1.
class C64Machine : public Mos6502Bus
{
public:
    enum class Standard { Pal, Ntsc };
    explicit C64Machine(Standard standard = Standard::Pal);

    struct VicWrite {
        int64_t frameLine; // lines since power-on
        int line;          // raster line
        int cycle;         // 1 .. cycles per line
        uint16_t reg;      // 0 .. $3F
        uint8_t value;
    };

    Mos6502 cpu;
    std::array<uint8_t, 65536> ram = {};
    std::array<uint8_t, 1024> colorRam = {};
    std::array<uint8_t, 64> vic = {};
    std::vector<VicWrite> vicWrites;
    bool recordVicWrites = false;

    // Copies a program file into RAM; returns its load address.
    int loadPrg(const QByteArray &prg);
    // Runs whole instructions until at least `cycles` more have passed.
    void run(int64_t cycles);
    // Runs until the CPU reaches `address` at an instruction start, at most
    // `maxCycles`; false when it never does.
    bool runUntil(uint16_t address, int64_t maxCycles);
    // Runs whole instructions until the raster reaches `line`.
    void runToLine(int line);
    void runFrames(int frames) { run(int64_t(frames) * m_cpl * m_lines); }

    QByteArray memory(int address, int size) const;
    QByteArray colorRamBytes() const; // the 1000 visible colours, low nibbles
    // The recorded writes to one VIC register, in order.
    std::vector<VicWrite> writesTo(int reg) const;

    int cyclesPerLine() const { return m_cpl; }
    int linesPerFrame() const { return m_lines; }
    int line() const { return m_line; }
    int cycle() const { return m_cycle; }
    int64_t cycles() const { return m_cycles; }
    int64_t frameLine() const { return m_frameLine; }
    // The VIC bank's base address from CIA 2 port A.
    int vicBank() const;
    uint8_t port01() const { return m_port01; }
    uint8_t cia2Control() const { return m_cia2Control; }
    uint8_t cia2Mask() const { return m_cia2Mask; }
    bool nmiHeld() const { return nmiLine(); }
    uint8_t colorAt(int offset) const { return colorRam[size_t(offset)] & 15; }

    // Mos6502Bus
    uint8_t read(uint16_t address) override;
    void write(uint16_t address, uint8_t value) override;
    void tick() override;
    bool rdyLow() const override;
    bool irqLine() const override;
    bool nmiLine() const override;

private:
    bool ioVisible() const { return (m_port01 & 4) && (m_port01 & 3); }
    bool badline() const;
    bool spriteShowsOn(int sprite, int64_t frameLine) const;
    void newLine();

    int m_cpl;
    int m_lines;
    int m_line = 0;
    int m_cycle = 1;
    int64_t m_cycles = 0;
    int64_t m_frameLine = 0;
    uint8_t m_port01 = 0x37;
    uint8_t m_port00 = 0x2f;
    uint8_t m_irqFlags = 0;
    std::array<int64_t, 8> m_spriteFirst; // first display line of each sprite's current run
    uint8_t m_cia1Mask = 0;
    uint8_t m_cia2Mask = 0;
    uint8_t m_cia2Flags = 0;
    uint8_t m_cia2Control = 0;
    uint16_t m_cia2Latch = 0xffff;
    uint16_t m_cia2Counter = 0xffff;
    uint8_t m_dd00 = 0x97;
    uint8_t m_dd02 = 0x3f;
};
