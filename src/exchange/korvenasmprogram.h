#pragma once

#include <cstring>

// A 6502 program assembled at build time: its bytes from the origin on and
// the labels the assembler placed inside it, as offsets from the origin.
struct KorvenAsmLabel {
    const char *name;
    int offset;
};

struct KorvenAsmProgram {
    const unsigned char *bytes;
    int size;
    int origin;
    const KorvenAsmLabel *labels;
    int labelCount;
    // Every address symbol of the source with its value, the constants that
    // name data areas outside the program (screen RAM copy, ...) included.
    const KorvenAsmLabel *symbols;
    int symbolCount;

    // The label's offset, or -1 when the program has no such label.
    int offsetOf(const char *name) const
    {
        for (int i = 0; i < labelCount; ++i) {
            if (std::strcmp(labels[i].name, name) == 0)
                return labels[i].offset;
        }
        return -1;
    }
    // The value of an address symbol, or -1 when the source defines none.
    int symbol(const char *name) const
    {
        for (int i = 0; i < symbolCount; ++i) {
            if (std::strcmp(symbols[i].name, name) == 0)
                return symbols[i].offset;
        }
        return -1;
    }
    int address(const char *name) const
    {
        const int offset = offsetOf(name);
        return offset < 0 ? -1 : origin + offset;
    }
};
