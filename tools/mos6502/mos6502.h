#pragma once

#include <cstdint>

// What the CPU sees of the machine around it. Every bus access is one
// cycle: the CPU calls read or write, then tick. While rdyLow() holds, a
// read cycle waits (writes go on), as on the C64 when the VIC takes the bus.
class Mos6502Bus
{
public:
    virtual ~Mos6502Bus() = default;
    virtual uint8_t read(uint16_t address) = 0;
    virtual void write(uint16_t address, uint8_t value) = 0;
    virtual void tick() = 0;
    virtual bool rdyLow() const = 0;
    virtual bool irqLine() const = 0; // level, active when true
    virtual bool nmiLine() const = 0; // edge-triggered on false -> true
};

// A 6502 with the documented instruction set, executing every bus cycle
// of every instruction in order (dummy reads and writes included), so that
// register accesses land on the same cycles as on the real chip.
class Mos6502
{
public:
    explicit Mos6502(Mos6502Bus &bus) : m_bus(bus) {}

    uint16_t pc = 0;
    uint8_t a = 0, x = 0, y = 0, s = 0xff, p = 0x24;
    bool jammed = false; // an undocumented opcode was met

    // One instruction, or the entry into a pending interrupt.
    void step();

    enum Flag : uint8_t { C = 1, Z = 2, I = 4, D = 8, B = 16, U = 32, V = 64, N = 128 };

private:
    uint8_t rd(uint16_t address);
    void wr(uint16_t address, uint8_t value);
    void sample();
    void push(uint8_t value) { wr(uint16_t(0x100 | s--), value); }
    uint8_t pull() { return rd(uint16_t(0x100 | ++s)); }
    void interrupt(uint16_t vector);
    void setNZ(uint8_t value);
    void adc(uint8_t value);
    void sbc(uint8_t value);
    void compare(uint8_t reg, uint8_t value);
    uint8_t rmwOp(int kind, uint8_t value);
    void branch(bool taken);

    // Effective addresses, with the operand fetches and dummy accesses.
    uint16_t zp();
    uint16_t zpIndexed(uint8_t index);
    uint16_t absolute();
    uint16_t absIndexed(uint8_t index, bool alwaysDummy);
    uint16_t indX();
    uint16_t indY(bool alwaysDummy);

    Mos6502Bus &m_bus;
    bool m_irqNow = false;
    bool m_iNow = true;
    bool m_irqPolled = false;
    bool m_iPolled = true;
    bool m_nmiPrev = false;
    bool m_nmiPending = false;
};
