#pragma once

#include "document/colormap.h"
#include "document/palette.h"

#include <QRect>
#include <QSize>
#include <array>
#include <vector>

// Improves a converted colormap pixel by pixel towards the picture as the eye
// sees both: each shown pixel blurs into its neighbours (a Gaussian of one
// screen pixel), so a pixel changes to another of its allowed colours
// whenever that brings the blurred result nearer the blurred picture. Only
// the distance's metric is linearised: near the picture's colour at each
// pixel, the error is measured as the chosen colour distance measures it.
class BlurMatchRefiner
{
public:
    // `picture`: three channels per screen pixel of `screenSize`, after the
    // curves; `pixelWidth`: screen pixels per colormap pixel (2 multicolor).
    BlurMatchRefiner(const std::vector<float> &picture, QSize screenSize, int pixelWidth,
                     const std::array<QRgb, 16> &palette, ColorMetric metric);

    // A unit whose colours may change: `fixed` stays, `limit` others.
    struct Unit {
        QRect rect;
        quint16 fixed = 0;
        int limit = 0;
    };

    // Changes pixels of `colormap` within their `allowed` colour masks (one bit
    // per colour, one mask per colormap pixel; a single bit never changes) for
    // at most `passes` sweeps. Then each of `units` is searched with all
    // sixteen colours and keeps the best `limit` of those it used most, its
    // masks following, and the pixels settle again. Returns the number of
    // changes.
    int refine(Colormap &colormap, std::vector<quint16> &allowed, int passes,
               const std::vector<Unit> &units = {});

private:
    void blur(const std::vector<float> &in, std::vector<float> &out,
              const std::vector<float> &taps);
    void addAt(int sx, int sy, const float delta[3]);
    float bestMove(int x, int y, int current, quint16 mask, bool forced, int &best,
                   float delta[3]) const;
    void move(Colormap &colormap, int x, int y, int color, const float delta[3]);

    const std::vector<float> &m_picture;
    const int m_width, m_height, m_pixelWidth;
    std::array<std::array<float, 3>, 16> m_palette{};
    std::vector<float> m_twice; // one-sided taps, centre first
    int m_blocksAcross = 0;
    float m_overlap = 0.0f;
    std::vector<float> m_metric;      // six entries per block of screen pixels
    std::vector<float> m_correlation; // twice-blurred error, three per screen pixel
    std::vector<float> m_difference, m_across, m_padded;
};
