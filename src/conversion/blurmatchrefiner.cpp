#include "blurmatchrefiner.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace
{

constexpr int Radius = 4;
constexpr int Block = 4;
constexpr int Tile = 8;
constexpr int Shortlist = 4; // colours tried beyond a unit's limit

// One side of a Gaussian of standard deviation `sigma`, centre first,
// normalised over all 2 x Radius + 1 taps.
std::vector<float> gaussTaps(double sigma)
{
    std::vector<float> taps(Radius + 1);
    double sum = 0.0;
    for (int i = -Radius; i <= Radius; ++i)
        sum += std::exp(-0.5 * i * i / (sigma * sigma));
    for (int i = 0; i <= Radius; ++i)
        taps[size_t(i)] = float(std::exp(-0.5 * i * i / (sigma * sigma)) / sum);
    return taps;
}

// Symmetric 3 x 3 as six entries: xx, yy, zz, xy, xz, yz.
void symmetricProduct(const float j[3][3], float *out)
{
    auto column = [&](int a, int b) {
        return j[0][a] * j[0][b] + j[1][a] * j[1][b] + j[2][a] * j[2][b];
    };
    out[0] = column(0, 0);
    out[1] = column(1, 1);
    out[2] = column(2, 2);
    out[3] = column(0, 1);
    out[4] = column(0, 2);
    out[5] = column(1, 2);
}

void apply(const float *m, const float v[3], float out[3])
{
    out[0] = m[0] * v[0] + m[3] * v[1] + m[4] * v[2];
    out[1] = m[3] * v[0] + m[1] * v[1] + m[5] * v[2];
    out[2] = m[4] * v[0] + m[5] * v[1] + m[2] * v[2];
}

// How CIELAB (sRGB, D65) moves per channel level near a colour: the
// Jacobian of the conversion, through tables of the transfer curve and of
// the cube root's slope.
class LabSlope
{
public:
    static const LabSlope &instance()
    {
        static const LabSlope slope;
        return slope;
    }

    void operator()(const float rgb[3], float j[3][3]) const
    {
        float lin[3], dlin[3];
        for (int c = 0; c < 3; ++c) {
            const int i = std::clamp(int(rgb[c] * Steps + 0.5f), 0, 255 * Steps);
            lin[c] = m_linear[size_t(i)];
            dlin[c] = m_linearSlope[size_t(i)];
        }
        static constexpr float A[3][3] = {
            {0.4124564f / 0.95047f, 0.3575761f / 0.95047f, 0.1804375f / 0.95047f},
            {0.2126729f, 0.7151522f, 0.0721750f},
            {0.0193339f / 1.08883f, 0.1191920f / 1.08883f, 0.9503041f / 1.08883f}};
        float df[3];
        for (int k = 0; k < 3; ++k) {
            const float t = A[k][0] * lin[0] + A[k][1] * lin[1] + A[k][2] * lin[2];
            df[k] = m_rootSlope[size_t(std::clamp(int(t * RootSteps + 0.5f), 0, RootSteps))];
        }
        // d(L, a, b) / d(fx, fy, fz), then through the cube root and the matrix.
        static constexpr float L[3][3] = {{0, 116, 0}, {500, -500, 0}, {0, 200, -200}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                float v = 0.0f;
                for (int k = 0; k < 3; ++k)
                    v += L[r][k] * df[k] * A[k][c];
                j[r][c] = v * dlin[c];
            }
    }

private:
    static constexpr int Steps = 4, RootSteps = 4096;

    LabSlope()
    {
        for (int i = 0; i <= 255 * Steps; ++i) {
            const double v = double(i) / Steps / 255.0;
            m_linear[size_t(i)] =
                float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
            m_linearSlope[size_t(i)] = float(
                (v <= 0.04045 ? 1.0 / 12.92 : 2.4 / 1.055 * std::pow((v + 0.055) / 1.055, 1.4)) /
                255.0);
        }
        for (int i = 0; i <= RootSteps; ++i) {
            const double t = std::max(double(i) / RootSteps, 1e-4);
            m_rootSlope[size_t(i)] = float(t > 216.0 / 24389.0 ? 1.0 / (3.0 * std::cbrt(t * t))
                                                               : 24389.0 / 27.0 / 116.0);
        }
    }

    std::array<float, 255 * Steps + 1> m_linear{}, m_linearSlope{};
    std::array<float, RootSteps + 1> m_rootSlope{};
};

} // namespace

BlurMatchRefiner::BlurMatchRefiner(const std::vector<float> &picture, QSize screenSize,
                                   int pixelWidth, const std::array<QRgb, 16> &palette,
                                   ColorMetric metric)
    : m_picture(picture), m_width(screenSize.width()), m_height(screenSize.height()),
      m_pixelWidth(pixelWidth)
{
    for (int c = 0; c < 16; ++c)
        m_palette[size_t(c)] = {float(qRed(palette[size_t(c)])), float(qGreen(palette[size_t(c)])),
                                float(qBlue(palette[size_t(c)]))};
    // The error a pixel sees is the blurred difference blurred once more (the
    // blur is symmetric), a Gaussian of sqrt(2).
    m_twice = gaussTaps(std::sqrt(2.0));

    m_blocksAcross = (m_width + Block - 1) / Block;
    m_metric.resize(size_t(m_blocksAcross) * size_t((m_height + Block - 1) / Block) * 6);
    if (metric != ColorMetric::Perceptual) {
        const float w[3] = {metric == ColorMetric::Weighted ? 0.299f : 1.0f,
                            metric == ColorMetric::Weighted ? 0.587f : 1.0f,
                            metric == ColorMetric::Weighted ? 0.114f : 1.0f};
        for (size_t i = 0; i < m_metric.size(); i += 6)
            std::copy_n(std::array<float, 6>{w[0], w[1], w[2], 0, 0, 0}.data(), 6, &m_metric[i]);
        return;
    }
    // The slope at the picture's colour, averaged over blocks of screen
    // pixels: it changes slowly across a picture.
    const LabSlope &slope = LabSlope::instance();
    for (int by = 0; by < m_height; by += Block)
        for (int bx = 0; bx < m_width; bx += Block) {
            float rgb[3] = {0, 0, 0};
            int count = 0;
            for (int y = by; y < std::min(by + Block, m_height); ++y)
                for (int x = bx; x < std::min(bx + Block, m_width); ++x, ++count)
                    for (int c = 0; c < 3; ++c)
                        rgb[c] +=
                            m_picture[(size_t(y) * size_t(m_width) + size_t(x)) * 3 + size_t(c)];
            for (float &v : rgb)
                v /= float(count);
            float j[3][3];
            slope(rgb, j);
            symmetricProduct(
                j,
                &m_metric[(size_t(by / Block) * size_t(m_blocksAcross) + size_t(bx / Block)) * 6]);
        }
}

// Separable blur with the given one-sided taps; the picture's edge repeats.
// Each row is padded by its edge pixels so the inner loops run straight.
void BlurMatchRefiner::blur(const std::vector<float> &in, std::vector<float> &out,
                            const std::vector<float> &taps)
{
    const int w = m_width, h = m_height;
    const size_t stride = size_t(w) * 3;
    std::vector<float> &across = m_across, &padded = m_padded;
    across.resize(in.size());
    padded.resize(stride + 6 * Radius);
    for (int y = 0; y < h; ++y) {
        const float *row = &in[size_t(y) * stride];
        for (int k = 0; k < Radius; ++k)
            for (int c = 0; c < 3; ++c) {
                padded[size_t(k * 3 + c)] = row[c];
                padded[size_t(3 * Radius) + stride + size_t(k * 3 + c)] =
                    row[stride - 3 + size_t(c)];
            }
        std::copy_n(row, stride, padded.begin() + 3 * Radius);
        const float *p = padded.data() + 3 * Radius;
        float *dst = &across[size_t(y) * stride];
        for (size_t i = 0; i < stride; ++i)
            dst[i] = taps[0] * p[i];
        for (int k = 1; k <= Radius; ++k) {
            const float t = taps[size_t(k)];
            const float *left = p - 3 * k, *right = p + 3 * k;
            for (size_t i = 0; i < stride; ++i)
                dst[i] += t * (left[i] + right[i]);
        }
    }
    out.resize(in.size());
    for (int y = 0; y < h; ++y) {
        float *dst = &out[size_t(y) * stride];
        const float *centre = &across[size_t(y) * stride];
        for (size_t i = 0; i < stride; ++i)
            dst[i] = taps[0] * centre[i];
        for (int k = 1; k <= Radius; ++k) {
            const float t = taps[size_t(k)];
            const float *up = &across[size_t(std::max(y - k, 0)) * stride];
            const float *down = &across[size_t(std::min(y + k, h - 1)) * stride];
            for (size_t i = 0; i < stride; ++i)
                dst[i] += t * (up[i] + down[i]);
        }
    }
}

// One screen pixel changed by `delta`: the twice-blurred error around it follows.
void BlurMatchRefiner::addAt(int sx, int sy, const float delta[3])
{
    const int top = std::max(sy - Radius, 0), bottom = std::min(sy + Radius, m_height - 1);
    const int left = std::max(sx - Radius, 0), right = std::min(sx + Radius, m_width - 1);
    for (int y = top; y <= bottom; ++y) {
        const float wy = m_twice[size_t(std::abs(y - sy))];
        float *row = &m_correlation[size_t(y) * size_t(m_width) * 3];
        for (int x = left; x <= right; ++x) {
            const float w = wy * m_twice[size_t(std::abs(x - sx))];
            row[x * 3] += w * delta[0];
            row[x * 3 + 1] += w * delta[1];
            row[x * 3 + 2] += w * delta[2];
        }
    }
}

// The best change of colormap pixel (x, y) to another colour of `mask` (or,
// when `forced`, the best colour of `mask` even if that costs): the change in
// the summed squared error, 2 d.M.C + d.M.d times how much the pixel's own
// screen pixels overlap.
float BlurMatchRefiner::bestMove(int x, int y, int current, quint16 mask, bool forced, int &best,
                                 float delta[3]) const
{
    float sum[3] = {0, 0, 0};
    const float *c = &m_correlation[(size_t(y) * size_t(m_width) + size_t(x * m_pixelWidth)) * 3];
    for (int k = 0; k < m_pixelWidth * 3; ++k)
        sum[k % 3] += c[k];
    const float *m =
        &m_metric[(size_t(y / Block) * size_t(m_blocksAcross) + size_t(x * m_pixelWidth / Block)) *
                  6];
    float pull[3];
    apply(m, sum, pull);
    best = current;
    float bestGain = forced ? 1e30f : -1e-3f;
    for (quint32 rest = mask & ~(1u << current); rest; rest &= rest - 1) {
        const int candidate = std::countr_zero(rest);
        const float d[3] = {m_palette[size_t(candidate)][0] - m_palette[size_t(current)][0],
                            m_palette[size_t(candidate)][1] - m_palette[size_t(current)][1],
                            m_palette[size_t(candidate)][2] - m_palette[size_t(current)][2]};
        float md[3];
        apply(m, d, md);
        const float gain = 2.0f * (d[0] * pull[0] + d[1] * pull[1] + d[2] * pull[2]) +
                           m_overlap * (d[0] * md[0] + d[1] * md[1] + d[2] * md[2]);
        if (gain < bestGain) {
            bestGain = gain;
            best = candidate;
            std::copy_n(d, 3, delta);
        }
    }
    return best == current ? 0.0f : bestGain;
}

void BlurMatchRefiner::move(Colormap &colormap, int x, int y, int color, const float delta[3])
{
    colormap.bits()[size_t(y) * size_t(colormap.width()) + size_t(x)] = quint8(color);
    for (int k = 0; k < m_pixelWidth; ++k)
        addAt(x * m_pixelWidth + k, y, delta);
}

int BlurMatchRefiner::refine(Colormap &colormap, std::vector<quint16> &allowed, int passes,
                             const std::vector<Unit> &units)
{
    const int columns = colormap.width();
    if (columns * m_pixelWidth != m_width || colormap.height() != m_height)
        return 0;
    quint8 *bits = colormap.bits();
    std::vector<float> &difference = m_difference;
    difference.resize(m_picture.size());
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            const size_t i = size_t(y) * size_t(m_width) + size_t(x);
            const auto &shown =
                m_palette[bits[size_t(y) * size_t(columns) + size_t(x / m_pixelWidth)]];
            for (int c = 0; c < 3; ++c)
                difference[i * 3 + size_t(c)] = shown[size_t(c)] - m_picture[i * 3 + size_t(c)];
        }
    blur(difference, m_correlation, m_twice);
    m_overlap = float(m_pixelWidth) *
                (m_twice[0] * m_twice[0] + (m_pixelWidth == 2 ? m_twice[0] * m_twice[1] : 0.0f));

    // A later pass visits only tiles near an earlier change: elsewhere
    // nothing a pixel sees has moved.
    const int tilesAcross = (m_width + Tile - 1) / Tile, tilesDown = (m_height + Tile - 1) / Tile;
    std::vector<quint8> active(size_t(tilesAcross) * size_t(tilesDown), 1), next(active.size());
    auto wake = [&](int x, int y, std::vector<quint8> &tiles) {
        const int left = x * m_pixelWidth, right = left + m_pixelWidth - 1;
        for (int ty = std::max(y - Radius, 0) / Tile;
             ty <= std::min(y + Radius, m_height - 1) / Tile; ++ty)
            for (int tx = std::max(left - Radius, 0) / Tile;
                 tx <= std::min(right + Radius, m_width - 1) / Tile; ++tx)
                tiles[size_t(ty) * size_t(tilesAcross) + size_t(tx)] = 1;
    };
    int changes = 0;
    auto sweep = [&](int rounds) {
        for (int pass = 0; pass < rounds; ++pass) {
            int changed = 0;
            std::fill(next.begin(), next.end(), 0);
            for (int y = 0; y < m_height; ++y)
                for (int x = 0; x < columns; ++x) {
                    if (!active[size_t(y / Tile) * size_t(tilesAcross) +
                                size_t(x * m_pixelWidth / Tile)])
                        continue;
                    const size_t i = size_t(y) * size_t(columns) + size_t(x);
                    const quint16 mask = allowed[i];
                    if (!(mask & (mask - 1)))
                        continue;
                    int best;
                    float delta[3];
                    if (bestMove(x, y, bits[i], mask, false, best, delta) >= 0.0f)
                        continue;
                    move(colormap, x, y, best, delta);
                    wake(x, y, active);
                    wake(x, y, next);
                    ++changed;
                }
            changes += changed;
            active.swap(next);
            if (changed * 500 < columns * m_height)
                break;
        }
    };
    sweep(passes);
    if (units.empty())
        return changes;

    // The units' colours are chosen again from what the search does with
    // all sixteen: every unit is first freed and searched, then keeps the set
    // of its most used colours whose settled result comes nearest, the units
    // visited in order, each against its neighbours' present state.
    std::vector<quint8> savedBits;
    std::vector<float> savedCorrelation;
    auto save = [&](const QRect &r, const QRect &window) {
        savedBits.clear();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                savedBits.push_back(bits[size_t(y) * size_t(columns) + size_t(x)]);
        savedCorrelation.clear();
        for (int y = window.top(); y <= window.bottom(); ++y) {
            const float *row = &m_correlation[(size_t(y) * size_t(m_width) +
                                               size_t(window.left() * m_pixelWidth)) *
                                              3];
            savedCorrelation.insert(savedCorrelation.end(), row,
                                    row + window.width() * m_pixelWidth * 3);
        }
    };
    auto restore = [&](const QRect &r, const QRect &window) {
        auto saved = savedBits.begin();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                bits[size_t(y) * size_t(columns) + size_t(x)] = *saved++;
        auto from = savedCorrelation.begin();
        for (int y = window.top(); y <= window.bottom(); ++y) {
            float *row = &m_correlation[(size_t(y) * size_t(m_width) +
                                         size_t(window.left() * m_pixelWidth)) *
                                        3];
            std::copy_n(from, window.width() * m_pixelWidth * 3, row);
            from += window.width() * m_pixelWidth * 3;
        }
    };
    // Pixels outside `mask` move into it, then all settle; the summed change.
    auto settle = [&](const QRect &r, quint16 mask, int rounds) {
        float total = 0.0f;
        for (int round = 0; round < rounds; ++round)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const int now = bits[size_t(y) * size_t(columns) + size_t(x)];
                    int best;
                    float delta[3];
                    const float gain =
                        bestMove(x, y, now, mask, !(mask & (1u << now)), best, delta);
                    if (best == now)
                        continue;
                    total += gain;
                    move(colormap, x, y, best, delta);
                }
        return total;
    };
    auto setMask = [&](const QRect &r, quint16 mask) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(allowed.begin() + qsizetype(y) * columns + r.left(), r.width(), mask);
    };
    for (const Unit &unit : units)
        setMask(unit.rect, 0xFFFF);
    std::fill(active.begin(), active.end(), 1);
    sweep(passes);
    for (const Unit &unit : units) {
        const QRect &r = unit.rect;
        const QRect window = r.adjusted(-Radius, -Radius, Radius, Radius)
                                 .intersected(QRect(0, 0, columns, m_height));
        std::array<int, 16> count{};
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                ++count[bits[size_t(y) * size_t(columns) + size_t(x)]];
        int used[16];
        int usedCount = 0;
        for (int c = 0; c < 16; ++c)
            if (count[size_t(c)] > 0 && !(unit.fixed & (1u << c)))
                used[usedCount++] = c;
        std::sort(used, used + usedCount,
                  [&](int a, int b) { return count[size_t(a)] > count[size_t(b)]; });
        // Sets of three grow fast: a multicolor cell tries fewer extra colours.
        usedCount = std::min(usedCount, unit.limit + (unit.limit > 2 ? Shortlist / 2 : Shortlist));
        const int take = std::min(usedCount, unit.limit);
        quint16 bestMask = unit.fixed;
        float best = 1e30f;
        // Every choice of `take` of the `usedCount` most used colours.
        int pick[8];
        for (int k = 0; k < take; ++k)
            pick[k] = k;
        while (true) {
            quint16 mask = unit.fixed;
            for (int k = 0; k < take; ++k)
                mask |= quint16(1u << used[pick[k]]);
            save(r, window);
            const float total = settle(r, mask, 2);
            restore(r, window);
            if (total < best) {
                best = total;
                bestMask = mask;
            }
            int k = take - 1;
            while (k >= 0 && pick[k] == usedCount - take + k)
                --k;
            if (k < 0)
                break;
            ++pick[k];
            for (int j = k + 1; j < take; ++j)
                pick[j] = pick[j - 1] + 1;
        }
        if (bestMask == unit.fixed && unit.fixed == 0)
            bestMask = quint16(1u << bits[size_t(r.top()) * size_t(columns) + size_t(r.left())]);
        settle(r, bestMask, 2);
        setMask(r, bestMask);
        ++changes;
    }
    std::fill(active.begin(), active.end(), 1);
    sweep(passes);
    return changes;
}
