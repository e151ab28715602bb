#pragma once

#include "colormap.h"

#include <QByteArray>

// A rectangle's worth of colormap held either inflated or as a qCompress
// stream. Crops read from a project file stay deflated until something
// needs their pixels, and are written back untouched.
class ColormapCrop
{
public:
    ColormapCrop() = default;
    static ColormapCrop fromColormap(const Colormap &pixels);
    static ColormapCrop fromCompressed(const QByteArray &compressed, int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isDeflated() const { return !m_compressed.isEmpty(); }
    const QByteArray &compressed() const { return m_compressed; }

    // Inflates in place. On a stream of the wrong size logs a warning,
    // becomes a crop of colour 0 and returns false.
    bool inflate();
    // The pixels, inflating a copy when still deflated.
    Colormap pixels() const;

private:
    Colormap m_colormap;
    QByteArray m_compressed;
    qint32 m_width = 0;
    qint32 m_height = 0;
};
