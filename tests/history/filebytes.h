#pragma once

// Builds project files byte by byte, independently of the writer, so tests
// can craft exactly the malformed input they need.

#include <QByteArray>
#include <QtEndian>
#include <initializer_list>

namespace filebytes
{

inline QByteArray u8(int v)
{
    return QByteArray(1, char(v));
}

inline QByteArray i16(int v)
{
    char b[2];
    qToLittleEndian(qint16(v), b);
    return QByteArray(b, 2);
}

inline QByteArray i32(qint64 v)
{
    char b[4];
    qToLittleEndian(quint32(v), b);
    return QByteArray(b, 4);
}

inline QByteArray header(int version = 11)
{
    return QByteArray("\xFEkvprj", 6) + u8(0) + u8(version);
}

inline QByteArray record(int kind, const QByteArray &payload)
{
    return i32(payload.size() + 2) + i16(kind) + payload;
}

inline QByteArray rawBlob(const QByteArray &pixels)
{
    return u8(0) + i32(pixels.size()) + pixels;
}

inline QByteArray zBlob(const QByteArray &pixels, int level = -1)
{
    const QByteArray packed = qCompress(pixels, level);
    return u8(1) + i32(packed.size()) + packed;
}

struct State {
    int mode = 0;
    int layout = 0;
    int screens = 1;
    int clash = 0;
    int policy = 1;
    int top = 0;
    int bottom = 0;
    int slotCount = 10;
    QByteArray slotValues = QByteArray("\x00\x00\x04\x0a\x00\x04\x0a\x00\x04\x0a", 10);
    qint64 width = 2;
    qint64 height = 2;
    qint64 records = 1;
    qint64 position = 0;
    QByteArray blob = rawBlob(QByteArray(4, '\0'));

    // The payload of the state record in the layout of `version`.
    QByteArray payload(int version = 11) const
    {
        QByteArray p = u8(mode) + u8(layout) + i16(screens) + u8(clash);
        if (version >= 11)
            p += u8(policy) + u8(top) + u8(bottom);
        p += u8(slotCount) + slotValues + i32(width) + i32(height) + i32(records) + i32(position);
        return p + blob;
    }
};

inline QByteArray file(const State &state, const QByteArray &rest = {}, int version = 11)
{
    return header(version) + record(1, state.payload(version)) + rest;
}

inline QByteArray node(int kind, int flag, int x, int y, qint64 count)
{
    return record(2, u8(kind) + u8(flag) + i32(x) + i32(y) + i32(count));
}

inline QByteArray region(qint64 x, qint64 y, qint64 w, qint64 h, const QByteArray &before,
                         const QByteArray &after)
{
    return record(3, i32(x) + i32(y) + i32(w) + i32(h) + before + after);
}

inline QByteArray colorIndex(int slot, int oldIndex, int newIndex)
{
    return record(4, u8(slot) + u8(oldIndex) + u8(newIndex));
}

inline QByteArray alignment(int border, int oldValue, int newValue)
{
    return record(5, u8(border) + u8(oldValue) + u8(newValue));
}

} // namespace filebytes
