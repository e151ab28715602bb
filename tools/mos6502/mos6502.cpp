#include "mos6502.h"

uint8_t Mos6502::rd(uint16_t address)
{
    while (m_bus.rdyLow())
        m_bus.tick();
    sample();
    const uint8_t value = m_bus.read(address);
    m_bus.tick();
    return value;
}

void Mos6502::wr(uint16_t address, uint8_t value)
{
    sample();
    m_bus.write(address, value);
    m_bus.tick();
}

// The interrupt lines as they stand during each cycle. The CPU polls them
// in the second half of an instruction's next-to-last cycle: an IRQ that
// arrives during the last cycle waits for the following instruction.
void Mos6502::sample()
{
    m_irqPolled = m_irqNow;
    m_iPolled = m_iNow;
    m_irqNow = m_bus.irqLine();
    m_iNow = (p & I) != 0;
    const bool nmi = m_bus.nmiLine();
    if (nmi && !m_nmiPrev)
        m_nmiPending = true;
    m_nmiPrev = nmi;
}

void Mos6502::setNZ(uint8_t value)
{
    p = uint8_t((p & ~(N | Z)) | (value & N) | (value == 0 ? Z : 0));
}

void Mos6502::adc(uint8_t value)
{
    const int carry = p & C;
    if (p & D) {
        int lo = (a & 15) + (value & 15) + carry;
        int hi = (a >> 4) + (value >> 4);
        if (lo > 9) {
            lo += 6;
            ++hi;
        }
        const uint8_t binary = uint8_t(a + value + carry);
        p = uint8_t(p & ~(N | V | Z | C));
        if (binary == 0)
            p |= Z;
        if (hi & 8)
            p |= N;
        if (~(a ^ value) & (a ^ (hi << 4)) & 0x80)
            p |= V;
        if (hi > 9)
            hi += 6;
        if (hi > 15)
            p |= C;
        a = uint8_t((hi << 4) | (lo & 15));
        return;
    }
    const int sum = a + value + carry;
    p = uint8_t(p & ~(V | C));
    if (~(a ^ value) & (a ^ sum) & 0x80)
        p |= V;
    if (sum > 0xff)
        p |= C;
    a = uint8_t(sum);
    setNZ(a);
}

void Mos6502::sbc(uint8_t value)
{
    if (p & D) {
        const int carry = (p & C) ? 0 : 1;
        const int diff = a - value - carry;
        int lo = (a & 15) - (value & 15) - carry;
        int hi = (a >> 4) - (value >> 4);
        if (lo & 16) {
            lo -= 6;
            --hi;
        }
        if (hi & 16)
            hi -= 6;
        p = uint8_t(p & ~(N | V | Z | C));
        if (diff >= 0)
            p |= C;
        if ((a ^ value) & (a ^ diff) & 0x80)
            p |= V;
        if (uint8_t(diff) == 0)
            p |= Z;
        if (diff & 0x80)
            p |= N;
        a = uint8_t((hi << 4) | (lo & 15));
        return;
    }
    adc(uint8_t(~value));
}

void Mos6502::compare(uint8_t reg, uint8_t value)
{
    p = uint8_t((p & ~C) | (reg >= value ? C : 0));
    setNZ(uint8_t(reg - value));
}

// 0 ASL, 1 ROL, 2 LSR, 3 ROR, 4 INC, 5 DEC
uint8_t Mos6502::rmwOp(int kind, uint8_t v)
{
    switch (kind) {
    case 0:
        p = uint8_t((p & ~C) | (v >> 7));
        v = uint8_t(v << 1);
        break;
    case 1: {
        const int carry = p & C;
        p = uint8_t((p & ~C) | (v >> 7));
        v = uint8_t((v << 1) | carry);
        break;
    }
    case 2:
        p = uint8_t((p & ~C) | (v & 1));
        v = uint8_t(v >> 1);
        break;
    case 3: {
        const int carry = p & C;
        p = uint8_t((p & ~C) | (v & 1));
        v = uint8_t((v >> 1) | (carry << 7));
        break;
    }
    case 4:
        ++v;
        break;
    default:
        --v;
        break;
    }
    setNZ(v);
    return v;
}

void Mos6502::branch(bool taken)
{
    const int8_t offset = int8_t(rd(pc++));
    if (!taken)
        return;
    rd(pc);
    const uint16_t target = uint16_t(pc + offset);
    if ((target ^ pc) & 0xff00)
        rd(uint16_t((pc & 0xff00) | (target & 0xff)));
    pc = target;
}

uint16_t Mos6502::zp()
{
    return rd(pc++);
}

uint16_t Mos6502::zpIndexed(uint8_t index)
{
    const uint8_t base = rd(pc++);
    rd(base);
    return uint8_t(base + index);
}

uint16_t Mos6502::absolute()
{
    const uint8_t lo = rd(pc++);
    return uint16_t(lo | rd(pc++) << 8);
}

uint16_t Mos6502::absIndexed(uint8_t index, bool alwaysDummy)
{
    const uint16_t base = absolute();
    const uint16_t address = uint16_t(base + index);
    if (alwaysDummy || ((base ^ address) & 0xff00))
        rd(uint16_t((base & 0xff00) | (address & 0xff)));
    return address;
}

uint16_t Mos6502::indX()
{
    const uint8_t base = rd(pc++);
    rd(base);
    const uint8_t lo = rd(uint8_t(base + x));
    return uint16_t(lo | rd(uint8_t(base + x + 1)) << 8);
}

uint16_t Mos6502::indY(bool alwaysDummy)
{
    const uint8_t pointer = rd(pc++);
    const uint8_t lo = rd(pointer);
    const uint16_t base = uint16_t(lo | rd(uint8_t(pointer + 1)) << 8);
    const uint16_t address = uint16_t(base + y);
    if (alwaysDummy || ((base ^ address) & 0xff00))
        rd(uint16_t((base & 0xff00) | (address & 0xff)));
    return address;
}

void Mos6502::interrupt(uint16_t vector)
{
    rd(pc);
    rd(pc);
    push(uint8_t(pc >> 8));
    push(uint8_t(pc));
    push(uint8_t((p | U) & ~B));
    p |= I;
    const uint8_t lo = rd(vector);
    pc = uint16_t(lo | rd(uint16_t(vector + 1)) << 8);
}

void Mos6502::step()
{
    if (jammed) {
        m_bus.tick();
        return;
    }
    if (m_nmiPending) {
        m_nmiPending = false;
        interrupt(0xfffa);
        return;
    }
    if (m_irqPolled && !m_iPolled) {
        interrupt(0xfffe);
        return;
    }
    const uint8_t op = rd(pc++);
    // The low bits pick the group, the middle bits the addressing mode.
    const auto readOperand = [&](uint8_t opcode) -> uint8_t {
        switch ((opcode >> 2) & 7) {
        case 0:
            return (opcode & 1) ? rd(indX()) : rd(pc++); // (zp,X) or #imm
        case 1:
            return rd(zp());
        case 2:
            return rd(pc++); // #imm
        case 3:
            return rd(absolute());
        case 4:
            return rd(indY(false));
        case 5:
            return rd(zpIndexed((opcode & 0xc2) == 0x82 ? y : x));
        case 6:
            return rd(absIndexed(y, false));
        default:
            return rd(absIndexed((opcode & 0xc2) == 0x82 ? y : x, false));
        }
    };
    switch (op) {
    // Loads, logic and arithmetic (group 1 and the X/Y loads).
    case 0xa9:
    case 0xa5:
    case 0xb5:
    case 0xad:
    case 0xbd:
    case 0xb9:
    case 0xa1:
    case 0xb1:
        a = readOperand(op);
        setNZ(a);
        break;
    case 0xa2:
    case 0xa6:
    case 0xb6:
    case 0xae:
    case 0xbe:
        x = op == 0xa2 ? rd(pc++) : op == 0xbe ? rd(absIndexed(y, false)) : readOperand(op);
        setNZ(x);
        break;
    case 0xa0:
    case 0xa4:
    case 0xb4:
    case 0xac:
    case 0xbc:
        y = op == 0xa0 ? rd(pc++) : readOperand(op);
        setNZ(y);
        break;
    case 0x09:
    case 0x05:
    case 0x15:
    case 0x0d:
    case 0x1d:
    case 0x19:
    case 0x01:
    case 0x11:
        a |= readOperand(op);
        setNZ(a);
        break;
    case 0x29:
    case 0x25:
    case 0x35:
    case 0x2d:
    case 0x3d:
    case 0x39:
    case 0x21:
    case 0x31:
        a &= readOperand(op);
        setNZ(a);
        break;
    case 0x49:
    case 0x45:
    case 0x55:
    case 0x4d:
    case 0x5d:
    case 0x59:
    case 0x41:
    case 0x51:
        a ^= readOperand(op);
        setNZ(a);
        break;
    case 0x69:
    case 0x65:
    case 0x75:
    case 0x6d:
    case 0x7d:
    case 0x79:
    case 0x61:
    case 0x71:
        adc(readOperand(op));
        break;
    case 0xe9:
    case 0xe5:
    case 0xf5:
    case 0xed:
    case 0xfd:
    case 0xf9:
    case 0xe1:
    case 0xf1:
        sbc(readOperand(op));
        break;
    case 0xc9:
    case 0xc5:
    case 0xd5:
    case 0xcd:
    case 0xdd:
    case 0xd9:
    case 0xc1:
    case 0xd1:
        compare(a, readOperand(op));
        break;
    case 0xe0:
    case 0xe4:
    case 0xec:
        compare(x, op == 0xe0 ? rd(pc++) : readOperand(op));
        break;
    case 0xc0:
    case 0xc4:
    case 0xcc:
        compare(y, op == 0xc0 ? rd(pc++) : readOperand(op));
        break;
    case 0x24:
    case 0x2c: {
        const uint8_t v = readOperand(op);
        p = uint8_t((p & ~(N | V | Z)) | (v & (N | V)) | ((a & v) == 0 ? Z : 0));
        break;
    }
    // Stores.
    case 0x85:
        wr(zp(), a);
        break;
    case 0x95:
        wr(zpIndexed(x), a);
        break;
    case 0x8d:
        wr(absolute(), a);
        break;
    case 0x9d:
        wr(absIndexed(x, true), a);
        break;
    case 0x99:
        wr(absIndexed(y, true), a);
        break;
    case 0x81:
        wr(indX(), a);
        break;
    case 0x91:
        wr(indY(true), a);
        break;
    case 0x86:
        wr(zp(), x);
        break;
    case 0x96:
        wr(zpIndexed(y), x);
        break;
    case 0x8e:
        wr(absolute(), x);
        break;
    case 0x84:
        wr(zp(), y);
        break;
    case 0x94:
        wr(zpIndexed(x), y);
        break;
    case 0x8c:
        wr(absolute(), y);
        break;
    // Read-modify-write: the old value is written back before the new one.
    case 0x0a:
    case 0x2a:
    case 0x4a:
    case 0x6a:
        rd(pc);
        a = rmwOp(op >> 5, a);
        break;
    case 0x06:
    case 0x26:
    case 0x46:
    case 0x66:
    case 0xe6:
    case 0xc6:
    case 0x16:
    case 0x36:
    case 0x56:
    case 0x76:
    case 0xf6:
    case 0xd6:
    case 0x0e:
    case 0x2e:
    case 0x4e:
    case 0x6e:
    case 0xee:
    case 0xce:
    case 0x1e:
    case 0x3e:
    case 0x5e:
    case 0x7e:
    case 0xfe:
    case 0xde: {
        const int mode = (op >> 3) & 3;
        const uint16_t address = mode == 0   ? zp()
                                 : mode == 2 ? zpIndexed(x)
                                 : mode == 1 ? absolute()
                                             : absIndexed(x, true);
        const uint8_t old = rd(address);
        wr(address, old);
        const int kind = op >= 0xe0 ? 4 : op >= 0xc0 ? 5 : op >> 5;
        wr(address, rmwOp(kind, old));
        break;
    }
    // Register transfers, increments, flags.
    case 0xaa:
        rd(pc);
        x = a;
        setNZ(x);
        break;
    case 0xa8:
        rd(pc);
        y = a;
        setNZ(y);
        break;
    case 0x8a:
        rd(pc);
        a = x;
        setNZ(a);
        break;
    case 0x98:
        rd(pc);
        a = y;
        setNZ(a);
        break;
    case 0xba:
        rd(pc);
        x = s;
        setNZ(x);
        break;
    case 0x9a:
        rd(pc);
        s = x;
        break;
    case 0xe8:
        rd(pc);
        setNZ(++x);
        break;
    case 0xc8:
        rd(pc);
        setNZ(++y);
        break;
    case 0xca:
        rd(pc);
        setNZ(--x);
        break;
    case 0x88:
        rd(pc);
        setNZ(--y);
        break;
    case 0x18:
        rd(pc);
        p &= ~C;
        break;
    case 0x38:
        rd(pc);
        p |= C;
        break;
    case 0x58:
        rd(pc);
        p &= ~I;
        break;
    case 0x78:
        rd(pc);
        p |= I;
        break;
    case 0xb8:
        rd(pc);
        p &= ~V;
        break;
    case 0xd8:
        rd(pc);
        p &= ~D;
        break;
    case 0xf8:
        rd(pc);
        p |= D;
        break;
    case 0xea:
        rd(pc);
        break;
    // Stack.
    case 0x48:
        rd(pc);
        push(a);
        break;
    case 0x08:
        rd(pc);
        push(p | B | U);
        break;
    case 0x68:
        rd(pc);
        rd(uint16_t(0x100 | s));
        a = pull();
        setNZ(a);
        break;
    case 0x28:
        rd(pc);
        rd(uint16_t(0x100 | s));
        p = uint8_t((pull() & ~B) | U);
        break;
    // Jumps, calls, returns.
    case 0x4c:
        pc = absolute();
        break;
    case 0x6c: {
        const uint16_t pointer = absolute();
        const uint8_t lo = rd(pointer);
        pc = uint16_t(lo | rd(uint16_t((pointer & 0xff00) | uint8_t(pointer + 1))) << 8);
        break;
    }
    case 0x20: {
        const uint8_t lo = rd(pc++);
        rd(uint16_t(0x100 | s));
        push(uint8_t(pc >> 8));
        push(uint8_t(pc));
        pc = uint16_t(lo | rd(pc) << 8);
        break;
    }
    case 0x60: {
        rd(pc);
        rd(uint16_t(0x100 | s));
        const uint8_t lo = pull();
        pc = uint16_t(lo | pull() << 8);
        rd(pc++);
        break;
    }
    case 0x40: {
        rd(pc);
        rd(uint16_t(0x100 | s));
        p = uint8_t((pull() & ~B) | U);
        const uint8_t lo = pull();
        pc = uint16_t(lo | pull() << 8);
        break;
    }
    case 0x00:
        rd(pc++);
        push(uint8_t(pc >> 8));
        push(uint8_t(pc));
        push(p | B | U);
        p |= I;
        {
            const uint8_t lo = rd(0xfffe);
            pc = uint16_t(lo | rd(0xffff) << 8);
        }
        break;
    // Branches.
    case 0x10:
        branch(!(p & N));
        break;
    case 0x30:
        branch(p & N);
        break;
    case 0x50:
        branch(!(p & V));
        break;
    case 0x70:
        branch(p & V);
        break;
    case 0x90:
        branch(!(p & C));
        break;
    case 0xb0:
        branch(p & C);
        break;
    case 0xd0:
        branch(!(p & Z));
        break;
    case 0xf0:
        branch(p & Z);
        break;
    default:
        jammed = true;
        --pc;
        break;
    }
}
