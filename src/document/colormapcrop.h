#pragma once

#include "colormap.h"

#include <QByteArray>

// A rectangle's worth of colormap held either inflated or as a qCompress
// stream. Crops read from a project file stay deflated until something
// needs their pixels, and are written back untouched. A long history holds
// many of them, so a crop is kept small: one byte array that is either the
// pixels or the buffer the stream lies in.
class ColormapCrop
{
public:
    ColormapCrop() = default;
    static ColormapCrop fromColormap(const Colormap &pixels);
    static ColormapCrop fromCompressed(const QByteArray &compressed, int width, int height);
    // The stream is `length` bytes of `buffer` from `offset`, shared rather
    // than copied: a file's crops all hold the one buffer it was read into.
    static ColormapCrop fromCompressedSlice(const QByteArray &buffer, qsizetype offset,
                                            qsizetype length, int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isDeflated() const { return m_length > 0; }
    // The stream, without copying it; valid while this crop is alive.
    QByteArray compressed() const;

    // Inflates in place. On a stream of the wrong size logs a warning,
    // becomes a crop of colour 0 and returns false.
    bool inflate();
    // The pixels, inflating a copy when still deflated.
    Colormap pixels() const;

private:
    bool inflateInto(Colormap &out) const;

    QByteArray m_bytes;
    qint32 m_width = 0;
    qint32 m_height = 0;
    qint32 m_offset = 0;
    qint32 m_length = 0; // above 0 while deflated
};
