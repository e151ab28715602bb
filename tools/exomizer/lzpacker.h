#pragma once

#include <QByteArray>

// The cruncher's compression: byte-aligned LZ77 over the whole window,
// in the format the depacker reads (see depacker.asm).
class LzPacker
{
public:
    static QByteArray pack(const QByteArray &data);
    // The inverse, for checking a packed stream; empty on a broken stream.
    static QByteArray unpack(const QByteArray &packed);

    static constexpr int MinMatch = 3;
    static constexpr int MaxMatch = 130;
    static constexpr int MaxLiterals = 128;
};
