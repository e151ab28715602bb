#include "lzpacker.h"

#include <vector>

namespace
{

constexpr int HashBits = 14;
constexpr int MaxCandidates = 256;

int hashAt(const QByteArray &data, int i)
{
    const auto b = [&](int k) { return uint8_t(data[i + k]); };
    return ((b(0) << 8 ^ b(1) << 4 ^ b(2)) * 2654435761u >> (32 - HashBits)) &
           ((1 << HashBits) - 1);
}

void flushLiterals(QByteArray &out, const QByteArray &data, int from, int to)
{
    while (from < to) {
        const int n = qMin(to - from, LzPacker::MaxLiterals);
        out.append(char(n - 1));
        out.append(data.mid(from, n));
        from += n;
    }
}

} // namespace

// Greedy parsing with one step of lookahead: a match is taken unless the
// next position starts a longer one.
QByteArray LzPacker::pack(const QByteArray &data)
{
    const int size = int(data.size());
    std::vector<int> head(1 << HashBits, -1), chain(size_t(qMax(size, 1)), -1);
    const auto insert = [&](int i) {
        if (i + MinMatch > size)
            return;
        const int h = hashAt(data, i);
        chain[size_t(i)] = head[size_t(h)];
        head[size_t(h)] = i;
    };
    const auto longest = [&](int i, int &distance) {
        int best = 0;
        if (i + MinMatch > size)
            return 0;
        int candidate = head[size_t(hashAt(data, i))];
        for (int tries = 0; candidate >= 0 && tries < MaxCandidates; ++tries) {
            int n = 0;
            const int limit = qMin(MaxMatch, size - i);
            while (n < limit && data[candidate + n] == data[i + n])
                ++n;
            if (n > best) {
                best = n;
                distance = i - candidate;
                if (n == limit)
                    break;
            }
            candidate = chain[size_t(candidate)];
        }
        return best >= MinMatch ? best : 0;
    };

    QByteArray out;
    int literalStart = 0;
    int i = 0;
    while (i < size) {
        int distance = 0;
        const int length = longest(i, distance);
        int nextDistance = 0;
        insert(i);
        if (length == 0 || (i + 1 < size && longest(i + 1, nextDistance) > length + 1)) {
            ++i;
            continue;
        }
        flushLiterals(out, data, literalStart, i);
        out.append(char(0x80 | (length - MinMatch)));
        out.append(char(distance & 0xff));
        out.append(char(distance >> 8));
        for (int k = 1; k < length; ++k)
            insert(i + k);
        i += length;
        literalStart = i;
    }
    flushLiterals(out, data, literalStart, size);
    out.append(char(0x80));
    out.append(2, '\0');
    return out;
}

QByteArray LzPacker::unpack(const QByteArray &packed)
{
    QByteArray out;
    int i = 0;
    while (i < packed.size()) {
        const uint8_t token = uint8_t(packed[i++]);
        if (token < 0x80) {
            if (i + token + 1 > packed.size())
                return {};
            out.append(packed.mid(i, token + 1));
            i += token + 1;
            continue;
        }
        if (i + 2 > packed.size())
            return {};
        const int distance = uint8_t(packed[i]) | uint8_t(packed[i + 1]) << 8;
        i += 2;
        if (distance == 0)
            return out;
        if (distance > out.size())
            return {};
        for (int k = 0; k < (token & 0x7f) + MinMatch; ++k)
            out.append(out[out.size() - distance]);
    }
    return {};
}
