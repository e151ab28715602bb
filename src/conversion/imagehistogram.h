#pragma once

#include <QImage>
#include <array>

// Per-channel value counts (R, G, B) over every pixel of an image, drawn
// behind the curves so the artist sees where the picture's tones lie.
class ImageHistogram
{
public:
    using Counts = std::array<quint32, 256>;

    ImageHistogram();
    explicit ImageHistogram(const QImage &image);

    // Channel 0 is red, 1 green, 2 blue.
    const Counts &counts(int channel) const { return m_counts[size_t(channel)]; }
    // The largest count of the three channels (0 for an empty image).
    quint32 maximum() const;

private:
    std::array<Counts, 3> m_counts{};
};
