#include "imageconverter.h"

#include "blurmatchrefiner.h"
#include "curvesmodel.h"

#include "document/geometry.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace
{

double clampChannel(double v)
{
    return v < 0.0 ? 0.0 : v > 255.0 ? 255.0 : v;
}

// Each channel through its own curve, then through the master curve.
std::array<CurvesModel::Table, 3> combinedTables(const CurvesModel &curves)
{
    std::array<CurvesModel::Table, 3> tables{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            tables[size_t(c)][size_t(v)] =
                curves.value(CurvesModel::Master, curves.value(CurvesModel::Red + c, v));
    return tables;
}

// The curved picture as three whole levels per colormap pixel.
std::vector<quint8> workingLevels(const RgbPicture &rgb, QSize size, bool multicolor,
                                  const std::array<CurvesModel::Table, 3> &tables)
{
    std::vector<quint8> levels(size_t(size.width()) * size_t(size.height()) * 3);
    quint8 *out = levels.data();
    for (int y = 0; y < size.height(); ++y) {
        const QRgb *line = rgb.constScanLine(y);
        for (int x = 0; x < size.width(); ++x, out += 3) {
            int r, g, b;
            if (multicolor) {
                const QRgb a = line[2 * x], c = line[2 * x + 1];
                r = (qRed(a) + qRed(c)) / 2;
                g = (qGreen(a) + qGreen(c)) / 2;
                b = (qBlue(a) + qBlue(c)) / 2;
            } else {
                r = qRed(line[x]);
                g = qGreen(line[x]);
                b = qBlue(line[x]);
            }
            out[0] = tables[0][size_t(r)];
            out[1] = tables[1][size_t(g)];
            out[2] = tables[2][size_t(b)];
        }
    }
    return levels;
}

// The same as doubles, which a dither moves off the levels.
std::vector<double> bufferOf(const std::vector<quint8> &levels)
{
    return std::vector<double>(levels.begin(), levels.end());
}

// The curved picture at screen resolution, for the refinement.
std::vector<float> screenPicture(const RgbPicture &rgb,
                                 const std::array<CurvesModel::Table, 3> &tables)
{
    std::vector<float> picture(size_t(rgb.width()) * size_t(rgb.height()) * 3);
    float *out = picture.data();
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, out += 3) {
            out[0] = tables[0][size_t(qRed(line[x]))];
            out[1] = tables[1][size_t(qGreen(line[x]))];
            out[2] = tables[2][size_t(qBlue(line[x]))];
        }
    }
    return picture;
}

std::array<QRgb, 16> paletteOf(PaletteVariant variant)
{
    std::array<QRgb, 16> palette{};
    for (int c = 0; c < 16; ++c)
        palette[size_t(c)] = paletteRgb(variant, c);
    return palette;
}

constexpr int RefinePasses = 8;

struct Tap {
    int dx, dy;
    double weight;
};
using Kernel = std::vector<Tap>;

// The error weights of a diffusing dither; empty for the others. The newer
// kernels are spread by screen distance: a multicolor neighbour to the side
// lies two screen pixels away, so it takes less than the one below.
Kernel kernelOf(DitherKind kind, CanvasMode mode)
{
    Kernel taps;
    switch (kind) {
    case DitherKind::ErrorDiffusion: // Floyd-Steinberg halved: only half the error travels
        return {{1, 0, 7.0 / 32}, {-1, 1, 3.0 / 32}, {0, 1, 5.0 / 32}, {1, 1, 1.0 / 32}};
    case DitherKind::FloydSteinberg:
    case DitherKind::Refined:
        taps = {{1, 0, 7.0 / 16}, {-1, 1, 3.0 / 16}, {0, 1, 5.0 / 16}, {1, 1, 1.0 / 16}};
        break;
    case DitherKind::Atkinson: // three quarters travel, so flat areas stay clean
        taps = {{1, 0, 1.0 / 8}, {2, 0, 1.0 / 8}, {-1, 1, 1.0 / 8},
                {0, 1, 1.0 / 8}, {1, 1, 1.0 / 8}, {0, 2, 1.0 / 8}};
        break;
    case DitherKind::SierraLite:
        taps = {{1, 0, 2.0 / 4}, {-1, 1, 1.0 / 4}, {0, 1, 1.0 / 4}};
        break;
    default:
        return {};
    }
    if (mode == CanvasMode::Multicolor) {
        double before = 0.0, after = 0.0;
        for (Tap &tap : taps) {
            before += tap.weight;
            tap.weight *= std::hypot(tap.dx, tap.dy) / std::hypot(2.0 * tap.dx, tap.dy);
            after += tap.weight;
        }
        for (Tap &tap : taps)
            tap.weight *= before / after;
    }
    return taps;
}

// A threshold pattern: thresholds in (0, 1), row-major, width x height.
struct Pattern {
    int width = 0, height = 0;
    std::vector<double> threshold;
    double at(int x, int y) const { return threshold[size_t(y % height * width + x % width)]; }
};

// The recursive Bayer matrix of side n: each step spreads the next ranks as
// far from the earlier ones as the grid allows.
std::vector<int> bayerMatrix(int n)
{
    std::vector<int> m{0};
    for (int side = 1; side < n; side *= 2) {
        std::vector<int> next(size_t(4 * side * side));
        const int offsets[4] = {0, 2, 3, 1};
        for (int q = 0; q < 4; ++q)
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    next[size_t((y + q / 2 * side) * 2 * side + x + q % 2 * side)] =
                        4 * m[size_t(y * side + x)] + offsets[q];
        m = std::move(next);
    }
    return m;
}

// The ordered dithers' thresholds. "Ordered" is the plain 4 x 4 matrix; the
// Bayer kinds on multicolor keep the left half of the matrix, ranked again, so
// a pattern still covers a square of the screen.
Pattern patternOf(DitherKind kind, CanvasMode mode)
{
    int n = 0;
    switch (kind) {
    case DitherKind::Ordered:
    case DitherKind::Bayer4:
        n = 4;
        break;
    case DitherKind::Bayer2:
        n = 2;
        break;
    case DitherKind::Bayer8:
        n = 8;
        break;
    default:
        return {};
    }
    const std::vector<int> m = bayerMatrix(n);
    Pattern pattern;
    pattern.width = kind != DitherKind::Ordered && mode == CanvasMode::Multicolor ? n / 2 : n;
    pattern.height = n;
    std::vector<int> kept;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < pattern.width; ++x)
            kept.push_back(m[size_t(y * n + x)]);
    std::vector<int> sorted = kept;
    std::sort(sorted.begin(), sorted.end());
    for (int value : kept) {
        const auto rank = std::lower_bound(sorted.begin(), sorted.end(), value) - sorted.begin();
        pattern.threshold.push_back((double(rank) + 0.5) / double(kept.size()));
    }
    return pattern;
}

void spread(double *pixel, const double error[3], double weight)
{
    pixel[0] += error[0] * weight;
    pixel[1] += error[1] * weight;
    pixel[2] += error[2] * weight;
}

// Passes a pixel's error on to the kernel's neighbours inside the picture.
void diffuse(double *buffer, int width, int height, int x, int y, const double error[3],
             const Kernel &kernel)
{
    for (const Tap &tap : kernel) {
        const int nx = x + tap.dx, ny = y + tap.dy;
        if (nx >= 0 && nx < width && ny < height)
            spread(buffer + (size_t(ny) * size_t(width) + size_t(nx)) * 3, error, tap.weight);
    }
}

struct Point3 {
    float v[3];
};

// CIELAB through two tables, sixteen steps to a channel level and 4096 to
// the cube root, linearly interpolated: a conversion re-runs while a curve is
// dragged. Whole channel levels land on table entries exactly, so a picture
// colour and the palette colour it equals get the same point.
class LabTable
{
public:
    static const LabTable &instance()
    {
        static const LabTable table;
        return table;
    }

    Point3 operator()(double r, double g, double b) const
    {
        return lab(lookup(m_linear, float(clampChannel(r)) * LinearSteps),
                   lookup(m_linear, float(clampChannel(g)) * LinearSteps),
                   lookup(m_linear, float(clampChannel(b)) * LinearSteps));
    }

    // The same for whole levels 0..255, the linear values looked up once.
    Point3 ofLevels(int r, int g, int b) const
    {
        return lab(m_level[size_t(r)], m_level[size_t(g)], m_level[size_t(b)]);
    }

private:
    static constexpr int LinearSteps = 16, RootSteps = 4096;

    Point3 lab(float lr, float lg, float lb) const
    {
        const float fx = root((0.4124564f * lr + 0.3575761f * lg + 0.1804375f * lb) / 0.95047f);
        const float fy = root(0.2126729f * lr + 0.7151522f * lg + 0.0721750f * lb);
        const float fz = root((0.0193339f * lr + 0.1191920f * lg + 0.9503041f * lb) / 1.08883f);
        return {{116.0f * fy - 16.0f, 500.0f * (fx - fy), 200.0f * (fy - fz)}};
    }

    LabTable()
    {
        for (int i = 0; i <= 255 * LinearSteps; ++i) {
            const double v = double(i) / LinearSteps / 255.0;
            m_linear[size_t(i)] =
                float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        for (int i = 0; i <= RootSteps; ++i) {
            const double t = double(i) / RootSteps;
            m_root[size_t(i)] =
                float(t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0);
        }
        for (int v = 0; v < 256; ++v)
            m_level[size_t(v)] = lookup(m_linear, float(v) * LinearSteps);
    }

    template <size_t N> static float lookup(const std::array<float, N> &table, float x)
    {
        const int i = std::clamp(int(x), 0, int(N) - 2);
        return table[size_t(i)] + (x - float(i)) * (table[size_t(i) + 1] - table[size_t(i)]);
    }
    float root(float t) const { return lookup(m_root, std::clamp(t, 0.0f, 1.0f) * RootSteps); }

    std::array<float, 255 * LinearSteps + 1> m_linear{};
    std::array<float, RootSteps + 1> m_root{};
    std::array<float, 256> m_level{};
};

Point3 pointOf(double r, double g, double b, ColorMetric metric)
{
    if (metric == ColorMetric::Perceptual)
        return LabTable::instance()(r, g, b);
    const MetricPoint p = metricPoint(r, g, b, metric);
    return {{float(p.v[0]), float(p.v[1]), float(p.v[2])}};
}

float squaredDistance(const Point3 &a, const Point3 &b)
{
    const float d0 = a.v[0] - b.v[0], d1 = a.v[1] - b.v[1], d2 = a.v[2] - b.v[2];
    return d0 * d0 + d1 * d1 + d2 * d2;
}

float dot(const Point3 &a, const Point3 &b, const Point3 &origin)
{
    return (a.v[0] - origin.v[0]) * (b.v[0] - origin.v[0]) +
           (a.v[1] - origin.v[1]) * (b.v[1] - origin.v[1]) +
           (a.v[2] - origin.v[2]) * (b.v[2] - origin.v[2]);
}

// How much of a mix's graininess the eye keeps once neighbouring pixels
// blur; without a dither nothing mixes and only the nearer colour counts.
float grainOf(DitherKind kind)
{
    return kind == DitherKind::None ? 1.0f : 0.1f;
}

// The error of showing p as a dithered mix of a and b, the best share t of b:
// the distance left to the mix plus the grain of mixing two colours.
float mixCost(const Point3 &p, const Point3 &a, const Point3 &b, float ab2, float grain)
{
    const float pa2 = squaredDistance(p, a);
    if (ab2 <= 0.0f)
        return pa2;
    if (grain >= 1.0f)
        return std::min(pa2, squaredDistance(p, b));
    const float u = dot(p, b, a);
    const float t =
        std::clamp((2.0f * u - grain * ab2) / (2.0f * ab2 * (1.0f - grain)), 0.0f, 1.0f);
    return pa2 - 2.0f * t * u + t * t * ab2 + grain * t * (1.0f - t) * ab2;
}

// The CellColorsFirst conversion.
class CellConverter
{
public:
    CellConverter(const std::vector<quint8> &levels, QSize size, const ConversionOptions &options,
                  const std::vector<float> &screen)
        : m_levels(levels), m_width(size.width()), m_height(size.height()), m_options(options),
          m_screen(screen)
    {
        for (int c = 0; c < 16; ++c) {
            const QRgb rgb = paletteRgb(options.paletteVariant, c);
            m_palette[c] = {{float(qRed(rgb)), float(qGreen(rgb)), float(qBlue(rgb))}};
            m_palettePoint[c] = pointOf(qRed(rgb), qGreen(rgb), qBlue(rgb), options.distance);
        }
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j)
                m_between[i][j] = squaredDistance(m_palettePoint[i], m_palettePoint[j]);
        const size_t count = size_t(m_width) * size_t(m_height);
        m_points.resize(count);
        const quint8 *level = levels.data();
        if (options.distance == ColorMetric::Perceptual) {
            const LabTable &lab = LabTable::instance();
            for (size_t i = 0; i < count; ++i)
                m_points[i] = lab.ofLevels(level[i * 3], level[i * 3 + 1], level[i * 3 + 2]);
        } else {
            for (size_t i = 0; i < count; ++i)
                m_points[i] =
                    pointOf(level[i * 3], level[i * 3 + 1], level[i * 3 + 2], options.distance);
        }
        m_grain = grainOf(options.dither);
        m_locked.assign(count, 0);
        for (const QRect &rect : lockedRects(options.mode, size, options.layout))
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x)
                    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
                        m_locked[size_t(y) * size_t(m_width) + size_t(x)] = 1;
    }

    ConversionResult run()
    {
        ConversionResult result;
        result.slotBytes = m_options.slotBytes;
        if (m_options.mode == CanvasMode::Multicolor && m_options.chooseBackground)
            result.slotBytes[size_t(ColorSlot::Background)] = chooseBackground();
        ClashContext context;
        context.mode = m_options.mode;
        context.slotBytes = result.slotBytes;
        context.layout = m_options.layout;
        context.paletteVariant = m_options.paletteVariant;
        const quint8 border = result.slotBytes[size_t(ColorSlot::Border)] & 15;

        m_allowed.assign(m_locked.size(), quint16(0xFFFF));
        struct BorderColumn {
            int unit;
            float gain;
        };
        std::vector<BorderColumn> borderColumns[2];
        const QList<ColorUnit> units = colorUnits(context, QSize(m_width, m_height));
        std::vector<quint16> masks(size_t(units.size()));
        for (qsizetype u = 0; u < units.size(); ++u) {
            const ColorUnit &unit = units[u];
            gatherPixels(unit.rect);
            quint16 fixed = unit.commons;
            int limit = unit.limit;
            if (m_lockedInUnit && !(fixed & (1u << border))) {
                fixed |= quint16(1u << border);
                --limit;
            }
            float cost = 0.0f;
            masks[size_t(u)] = chooseColors(fixed, std::max(0, limit), &cost);
            if (unit.column >= 0) {
                const quint8 background = borderBackground(context, unit.kind) & 15;
                borderColumns[unit.kind == RegionKind::TopBorder ? 0 : 1].push_back(
                    {int(u), sum(m_unitDistance[background].data(), m_pixels.size()) - cost});
            }
        }
        // Only the 8 columns that gain most from a sprite keep one; the others
        // show the border's background alone.
        for (auto &columns : borderColumns) {
            if (columns.size() <= size_t(SpritesPerBorder))
                continue;
            std::stable_sort(
                columns.begin(), columns.end(),
                [](const BorderColumn &a, const BorderColumn &b) { return a.gain > b.gain; });
            for (size_t i = SpritesPerBorder; i < columns.size(); ++i) {
                const ColorUnit &unit = units[columns[i].unit];
                masks[size_t(columns[i].unit)] =
                    quint16(1u << (borderBackground(context, unit.kind) & 15));
            }
        }
        for (qsizetype u = 0; u < units.size(); ++u) {
            const QRect &r = units[u].rect;
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::fill_n(m_allowed.begin() + qsizetype(y) * m_width + r.left(), r.width(),
                            masks[size_t(u)]);
        }
        for (size_t i = 0; i < m_locked.size(); ++i)
            if (m_locked[i])
                m_allowed[i] = quint16(1u << border);
        result.colormap = dither();
        if (m_options.dither == DitherKind::Refined)
            refine(result.colormap, units);
        return result;
    }

private:
    // The Refined dither's search over the dithered result; the cells without
    // locked pixels may choose their colours again.
    [[gnu::noinline]] void refine(Colormap &colormap, const QList<ColorUnit> &units)
    {
        const int wide = m_options.mode == CanvasMode::Multicolor ? 2 : 1;
        std::vector<BlurMatchRefiner::Unit> cells;
        for (const ColorUnit &unit : units)
            if (unit.kind == RegionKind::Bitmap && !holdsLocked(unit.rect))
                cells.push_back({unit.rect, unit.commons, unit.limit});
        BlurMatchRefiner(m_screen, QSize(m_width * wide, m_height), wide,
                         paletteOf(m_options.paletteVariant), m_options.distance)
            .refine(colormap, m_allowed, RefinePasses, cells);
    }

    bool holdsLocked(const QRect &r) const
    {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (m_locked[size_t(y) * size_t(m_width) + size_t(x)])
                    return true;
        return false;
    }

    // The unit's pixels (locked ones aside), their coordinates axis by axis
    // and their squared distances to all 16 colours, colour by colour.
    void gatherPixels(const QRect &r)
    {
        m_pixels.clear();
        for (auto &axis : m_unitPoints)
            axis.clear();
        m_lockedInUnit = false;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const int p = y * m_width + x;
                if (m_locked[size_t(p)]) {
                    m_lockedInUnit = true;
                    continue;
                }
                m_pixels.push_back(p);
                for (int c = 0; c < 3; ++c)
                    m_unitPoints[size_t(c)].push_back(m_points[size_t(p)].v[c]);
            }
        const size_t n = m_pixels.size();
        const float *x = m_unitPoints[0].data(), *y = m_unitPoints[1].data(),
                    *z = m_unitPoints[2].data();
        for (int c = 0; c < 16; ++c) {
            std::vector<float> &out = m_unitDistance[size_t(c)];
            out.resize(n);
            const Point3 &q = m_palettePoint[c];
            for (size_t i = 0; i < n; ++i) {
                const float dx = x[i] - q.v[0], dy = y[i] - q.v[1], dz = z[i] - q.v[2];
                out[i] = dx * dx + dy * dy + dz * dz;
            }
        }
    }

    static float sum(const float *values, size_t n)
    {
        float total = 0.0f;
#pragma omp simd reduction(+ : total)
        for (size_t i = 0; i < n; ++i)
            total += values[i];
        return total;
    }

    // Sum over the unit of the smaller of two values per pixel.
    static float sumOfMin(const float *a, const float *b, size_t n)
    {
        float total = 0.0f;
#pragma omp simd reduction(+ : total)
        for (size_t i = 0; i < n; ++i)
            total += std::min(a[i], b[i]);
        return total;
    }

    // The colours of the unit under m_pixels: `fixed` plus up to `free`
    // others, those whose mixes come nearest the picture.
    quint16 chooseColors(quint16 fixed, int free, float *bestCost)
    {
        const size_t n = m_pixels.size();
        int colors[16];
        int count = 0;
        for (int c = 0; c < 16; ++c)
            if (fixed & (1u << c))
                colors[count++] = c;
        const int fixedCount = count;
        if (free == 0 || n == 0) {
            *bestCost = setCost(colors, count);
            return fixed;
        }
        // Rank the other colours by how well each alone would serve beside the
        // fixed ones, and search the best few exhaustively.
        m_nearestFixed.assign(n, 1e30f);
        for (int k = 0; k < fixedCount; ++k) {
            const float *d = m_unitDistance[size_t(colors[k])].data();
            for (size_t i = 0; i < n; ++i)
                m_nearestFixed[i] = std::min(m_nearestFixed[i], d[i]);
        }
        std::array<std::pair<float, int>, 16> ranked;
        int rankedCount = 0;
        for (int c = 0; c < 16; ++c)
            if (!(fixed & (1u << c)))
                ranked[size_t(rankedCount++)] = {
                    sumOfMin(m_nearestFixed.data(), m_unitDistance[size_t(c)].data(), n), c};
        std::sort(ranked.begin(), ranked.begin() + rankedCount);
        const int searched = std::min(rankedCount, free == 1 ? 8 : free == 2 ? 7 : 6);
        // Colours some pixel matches best come first, most matched first, so
        // a unit already within its limits keeps exactly its own colours.
        // Colour by colour over all pixels, so the loops vectorise; a tie
        // goes to the lower colour.
        m_accumulator.assign(m_unitDistance[0].begin(), m_unitDistance[0].begin() + qsizetype(n));
        m_nearest.assign(n, 0);
        for (int c = 1; c < 16; ++c) {
            const float *d = m_unitDistance[size_t(c)].data();
            float *best = m_accumulator.data();
            int *nearest = m_nearest.data();
#pragma omp simd
            for (size_t i = 0; i < n; ++i) {
                const int nearer = -int(d[i] < best[i]); // all ones or zero
                nearest[i] = (nearest[i] & ~nearer) | (c & nearer);
                best[i] = std::min(best[i], d[i]);
            }
        }
        std::array<int, 16> matched{};
        for (size_t i = 0; i < n; ++i)
            ++matched[size_t(m_nearest[i])];
        quint16 taken = fixed;
        for (int k = 0; k < searched; ++k) {
            int most = -1;
            for (int c = 0; c < 16; ++c)
                if (!(taken & (1u << c)) && matched[size_t(c)] > 0 &&
                    (most < 0 || matched[size_t(c)] > matched[size_t(most)]))
                    most = c;
            if (most < 0)
                break;
            taken |= quint16(1u << most);
            colors[count++] = most;
        }
        for (int k = 0; count - fixedCount < searched; ++k)
            if (!(taken & (1u << ranked[size_t(k)].second)))
                colors[count++] = ranked[size_t(k)].second;
        free = std::min(free, searched);

        // Every pair's mix cost per pixel, then every choice of `free` of the
        // searched colours: each pixel takes the best pair within the set.
        // Without a dither nothing mixes and a pair costs the nearer of its
        // two colours, so the set's cost is its nearest colour's and no pair
        // need be worked out.
        const bool mixes = m_grain < 1.0f;
        std::array<float, 256> pairSum{};
        if (mixes) {
            m_pairCost.resize(size_t(count * count) * n);
            for (int a = 0; a < count; ++a)
                for (int b = a; b < count; ++b) {
                    float *out = &m_pairCost[size_t(a * count + b) * n];
                    pairCosts(colors[a], colors[b], out);
                    pairSum[size_t(a * count + b)] = sum(out, n);
                }
        }
        float best = 1e30f;
        quint16 bestMask = fixed;
        int pick[3] = {fixedCount, fixedCount + 1, fixedCount + 2};
        int set[16];
        for (int k = 0; k < fixedCount; ++k)
            set[k] = k;
        m_accumulator.resize(n);
        while (true) {
            for (int k = 0; k < free; ++k)
                set[fixedCount + k] = pick[k];
            const int size = fixedCount + free;
            float cost;
            if (!mixes) {
                cost = nearestCost(colors, set, size);
            } else if (size <= 2) {
                cost = pairSum[size_t(set[0] * count + set[size - 1])];
            } else {
                const float *first = &m_pairCost[size_t(set[0] * count + set[1]) * n];
                std::copy(first, first + n, m_accumulator.begin());
                for (int a = 0; a < size; ++a)
                    for (int b = a + 1; b < size; ++b) {
                        if (a == 0 && b == 1)
                            continue;
                        const float *pair = &m_pairCost[size_t(set[a] * count + set[b]) * n];
                        float *acc = m_accumulator.data();
                        if (a == size - 2 && b == size - 1) {
                            cost = sumOfMin(acc, pair, n);
                            goto summed;
                        }
                        for (size_t i = 0; i < n; ++i)
                            acc[i] = std::min(acc[i], pair[i]);
                    }
                cost = sum(m_accumulator.data(), n);
            }
        summed:
            if (cost < best) {
                best = cost;
                bestMask = fixed;
                for (int k = 0; k < free; ++k)
                    bestMask |= quint16(1u << colors[pick[k]]);
            }
            // The next combination of `free` among the searched colours.
            int k = free - 1;
            while (k >= 0 && pick[k] == count - free + k)
                --k;
            if (k < 0)
                break;
            ++pick[k];
            for (int j = k + 1; j < free; ++j)
                pick[j] = pick[j - 1] + 1;
        }
        *bestCost = best;
        return bestMask;
    }

    // The unit's summed distance to the nearest of the set's colours
    // (indices into `colors`), folded in the order the pair costs would fold
    // them, so the sums come out as theirs would.
    float nearestCost(const int *colors, const int *set, int size)
    {
        const size_t n = m_pixels.size();
        const float *first = m_unitDistance[size_t(colors[set[0]])].data();
        if (size == 1)
            return sum(first, n);
        float *acc = m_accumulator.data();
        const float *second = m_unitDistance[size_t(colors[set[1]])].data();
        for (size_t i = 0; i < n; ++i)
            acc[i] = std::min(first[i], second[i]);
        if (size == 2)
            return sum(acc, n);
        for (int k = 2; k < size - 1; ++k) {
            const float *d = m_unitDistance[size_t(colors[set[k]])].data();
            for (size_t i = 0; i < n; ++i)
                acc[i] = std::min(acc[i], d[i]);
        }
        return sumOfMin(acc, m_unitDistance[size_t(colors[set[size - 1]])].data(), n);
    }

    // mixCost of every pixel of the unit for one pair, in plain loops over
    // the unit's coordinates that the compiler can vectorise.
    void pairCosts(int a, int b, float *out) const
    {
        const size_t n = m_pixels.size();
        const float *x = m_unitPoints[0].data(), *y = m_unitPoints[1].data(),
                    *z = m_unitPoints[2].data();
        const Point3 &pa = m_palettePoint[a], &pb = m_palettePoint[b];
        const float ab2 = m_between[a][b];
        const float ex = pb.v[0] - pa.v[0], ey = pb.v[1] - pa.v[1], ez = pb.v[2] - pa.v[2];
        if (ab2 <= 0.0f) { // two colours that look alike do not mix
            const float *da = m_unitDistance[size_t(a)].data(),
                        *db = m_unitDistance[size_t(b)].data();
            for (size_t i = 0; i < n; ++i)
                out[i] = std::min(da[i], db[i]);
            return;
        }
        const float g = m_grain, scale = 1.0f / (2.0f * ab2 * (1.0f - g));
        // Copied out of the member: read through `pa` inside the loop, they
        // might alias `out`, and the loop would not vectorise.
        const float px = pa.v[0], py = pa.v[1], pz = pa.v[2];
        // The squared distance to a is the one gathered, worked out alike.
        const float *da = m_unitDistance[size_t(a)].data();
        for (size_t i = 0; i < n; ++i) {
            const float ax = x[i] - px, ay = y[i] - py, az = z[i] - pz;
            const float u = ax * ex + ay * ey + az * ez;
            const float t = std::min(std::max((2.0f * u - g * ab2) * scale, 0.0f), 1.0f);
            out[i] = da[i] - 2.0f * t * u + t * t * ab2 + g * t * (1.0f - t) * ab2;
        }
    }

    float setCost(const int *colors, int count) const
    {
        float cost = 0.0f;
        for (int p : m_pixels) {
            float best = 1e30f;
            for (int a = 0; a < count; ++a)
                for (int b = a; b < count; ++b)
                    best = std::min(best, mixCost(m_points[size_t(p)], m_palettePoint[colors[a]],
                                                  m_palettePoint[colors[b]],
                                                  m_between[colors[a]][colors[b]], m_grain));
            cost += count ? best : 0.0f;
        }
        return cost;
    }

    // The shared multicolor background: every colour is tried over every
    // cell, each cell taking its best three of its most promising colours by
    // the nearest-colour error.
    quint8 chooseBackground()
    {
        const QRect bitmap =
            bitmapRegionRect(m_options.mode, QSize(m_width, m_height), m_options.layout);
        if (bitmap.isEmpty())
            return m_options.slotBytes[size_t(ColorSlot::Background)];
        const QSize cell = cellSize(m_options.mode);
        const auto cellAt = [&](int x, int y) {
            return QRect(x, y, std::min(cell.width(), bitmap.right() - x + 1),
                         std::min(cell.height(), bitmap.bottom() - y + 1));
        };
        // First a cheap ranking: each cell takes its best three of its six
        // nearest colours beside every candidate.
        constexpr int Few = 6;
        std::array<double, 16> total{};
        for (int y = bitmap.top(); y <= bitmap.bottom(); y += cell.height())
            for (int x = bitmap.left(); x <= bitmap.right(); x += cell.width()) {
                gatherPixels(cellAt(x, y));
                const size_t n = m_pixels.size();
                if (n == 0)
                    continue;
                std::array<std::pair<float, int>, 16> ranked;
                for (int c = 0; c < 16; ++c)
                    ranked[size_t(c)] = {sum(m_unitDistance[size_t(c)].data(), n), c};
                std::partial_sort(ranked.begin(), ranked.begin() + Few, ranked.end());
                m_triples.resize(size_t(20) * n);
                float *triple = m_triples.data();
                for (int a = 0; a < Few; ++a)
                    for (int b = a + 1; b < Few; ++b)
                        for (int c = b + 1; c < Few; ++c, triple += n) {
                            const float *da =
                                            m_unitDistance[size_t(ranked[size_t(a)].second)].data(),
                                        *db =
                                            m_unitDistance[size_t(ranked[size_t(b)].second)].data(),
                                        *dc =
                                            m_unitDistance[size_t(ranked[size_t(c)].second)].data();
                            for (size_t i = 0; i < n; ++i)
                                triple[i] = std::min(std::min(da[i], db[i]), dc[i]);
                        }
                for (int background = 0; background < 16; ++background) {
                    float best = 1e30f;
                    for (int t = 0; t < 20; ++t)
                        best =
                            std::min(best, sumOfMin(&m_triples[size_t(t) * n],
                                                    m_unitDistance[size_t(background)].data(), n));
                    total[size_t(background)] += best;
                }
            }
        // The likeliest three are then tried for real on an eighth of the
        // cells, spread evenly (all sixteen on a quarter for the slower Refined
        // dither): each cell picks its best colours beside the candidate as
        // the conversion will, and the lowest total wins.
        std::array<std::pair<double, int>, 16> likely;
        for (int c = 0; c < 16; ++c)
            likely[size_t(c)] = {total[size_t(c)], c};
        const bool thorough = m_options.dither == DitherKind::Refined;
        const int tried = thorough ? 16 : 3;
        const int rowStep = thorough ? 2 : 4;
        std::partial_sort(likely.begin(), likely.begin() + tried, likely.end());
        std::vector<QRect> sample;
        for (int y = bitmap.top(); y <= bitmap.bottom(); y += rowStep * cell.height())
            for (int x = bitmap.left() + (y / cell.height() / rowStep % 2) * cell.width();
                 x <= bitmap.right(); x += 2 * cell.width())
                sample.push_back(cellAt(x, y));
        // Each sampled cell is gathered once and tried beside every candidate.
        std::vector<float> sampleCost(sample.size() * size_t(tried));
        for (size_t k = 0; k < sample.size(); ++k) {
            gatherPixels(sample[k]);
            for (int t = 0; t < tried; ++t)
                chooseColors(quint16(1u << likely[size_t(t)].second), 3,
                             &sampleCost[k * size_t(tried) + size_t(t)]);
        }
        int best = likely[0].second;
        double bestCost = 1e300;
        for (int t = 0; t < tried; ++t) {
            double cost = 0.0;
            for (size_t k = 0; k < sample.size(); ++k)
                cost += sampleCost[k * size_t(tried) + size_t(t)];
            if (cost < bestCost) {
                bestCost = cost;
                best = likely[size_t(t)].second;
            }
        }
        return quint8(best);
    }

    int nearestAllowed(const Point3 &p, quint16 mask) const
    {
        int best = -1;
        float bestDistance = 0.0f;
        for (quint32 m = mask; m; m &= m - 1) {
            const int c = std::countr_zero(m);
            const float d = squaredDistance(p, m_palettePoint[c]);
            if (best < 0 || d < bestDistance) {
                best = c;
                bestDistance = d;
            }
        }
        return best;
    }

    // Dithers every pixel against its unit's colours, row by row; diffused
    // error crosses unit borders like any other. The picture goes to doubles
    // only for the dithers that diffuse error into it.
    Colormap dither()
    {
        Colormap result(m_width, m_height);
        quint8 *bits = result.bits();
        const Kernel kernel = kernelOf(m_options.dither, m_options.mode);
        const Pattern pattern = patternOf(m_options.dither, m_options.mode);
        std::vector<double> work;
        if (!kernel.empty()) {
            work = bufferOf(m_levels);
            mapIntoUnits(work);
        }
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                const size_t i = size_t(y) * size_t(m_width) + size_t(x);
                const quint16 mask = m_allowed[i];
                int chosen;
                if (!kernel.empty()) {
                    double *pixel = &work[i * 3];
                    const double r = clampChannel(pixel[0]), g = clampChannel(pixel[1]),
                                 b = clampChannel(pixel[2]);
                    chosen = (mask & (mask - 1))
                                 ? nearestAllowed(pointOf(r, g, b, m_options.distance), mask)
                                 : std::countr_zero(quint32(mask));
                    const double error[3] = {r - m_palette[chosen].v[0], g - m_palette[chosen].v[1],
                                             b - m_palette[chosen].v[2]};
                    diffuse(work.data(), m_width, m_height, x, y, error, kernel);
                } else if (m_options.dither == DitherKind::Ordered) {
                    const double t = (pattern.at(x, y) - 0.5) * 64.0;
                    const quint8 *pixel = &m_levels[i * 3];
                    chosen = nearestAllowed(pointOf(clampChannel(pixel[0] + t),
                                                    clampChannel(pixel[1] + t),
                                                    clampChannel(pixel[2] + t), m_options.distance),
                                            mask);
                } else if (!pattern.threshold.empty()) {
                    chosen = patternChoice(m_points[i], mask, pattern.at(x, y));
                } else {
                    chosen = nearestAllowed(m_points[i], mask);
                }
                bits[i] = quint8(chosen);
            }
        return result;
    }

    // Diffusion aims at what the unit's colours can show: a pixel outside
    // their mixes is first moved to the nearest mix, so its error never
    // pushes the neighbours towards colours no dither can reach.
    void mapIntoUnits(std::vector<double> &work) const
    {
        for (size_t i = 0; i < m_allowed.size(); ++i) {
            const quint16 mask = m_allowed[i];
            if (std::popcount(quint32(mask)) != 2)
                continue;
            const int a = std::countr_zero(quint32(mask));
            const int b = 15 - std::countl_zero(quint16(mask));
            const float ab2 = m_between[a][b];
            if (ab2 <= 0.0f)
                continue;
            const float t = std::clamp(dot(m_points[i], m_palettePoint[b], m_palettePoint[a]) / ab2,
                                       0.0f, 1.0f);
            for (int c = 0; c < 3; ++c)
                work[i * 3 + size_t(c)] =
                    m_palette[a].v[c] + double(t) * (m_palette[b].v[c] - m_palette[a].v[c]);
        }
    }

    // Ordered mixing within a unit's colours: the pair whose mix comes
    // nearest, and of it the second colour where the threshold lies below its
    // share. A pixel of one of the colours stays that colour.
    int patternChoice(const Point3 &p, quint16 mask, double threshold) const
    {
        int colors[16] = {}; // a mask always holds a colour; the compiler cannot know
        int count = 0;
        for (quint32 m = mask; m; m &= m - 1)
            colors[count++] = std::countr_zero(m);
        int bestA = colors[0], bestB = colors[0];
        float best = 1e30f;
        for (int a = 0; a < count; ++a)
            for (int b = a; b < count; ++b) {
                const float cost = mixCost(p, m_palettePoint[colors[a]], m_palettePoint[colors[b]],
                                           m_between[colors[a]][colors[b]], m_grain);
                if (cost < best) {
                    best = cost;
                    bestA = colors[a];
                    bestB = colors[b];
                }
            }
        const float ab2 = m_between[bestA][bestB];
        if (ab2 <= 0.0f)
            return bestA;
        const float share =
            std::clamp(dot(p, m_palettePoint[bestB], m_palettePoint[bestA]) / ab2, 0.0f, 1.0f);
        return share > threshold ? bestB : bestA;
    }

    const std::vector<quint8> &m_levels;
    const int m_width, m_height;
    const ConversionOptions &m_options;
    const std::vector<float> &m_screen;
    Point3 m_palette[16];
    Point3 m_palettePoint[16];
    float m_between[16][16];
    std::vector<Point3> m_points;
    std::vector<quint8> m_locked;
    std::vector<quint16> m_allowed;
    float m_grain = 1.0f;
    // What one unit's colour choice works on.
    std::vector<int> m_pixels;
    std::array<std::vector<float>, 3> m_unitPoints; // the unit's pixels, axis by axis
    bool m_lockedInUnit = false;
    std::array<std::vector<float>, 16> m_unitDistance; // to each colour, pixel by pixel
    std::vector<float> m_triples, m_nearestFixed, m_pairCost, m_accumulator;
    std::vector<int> m_nearest;
};

} // namespace

QSize conversionSourceSize(CanvasMode mode, QSize canvasSize)
{
    return QSize(canvasSize.width() * (mode == CanvasMode::Multicolor ? 2 : 1),
                 canvasSize.height());
}

Colormap ditherToPalette(const RgbPicture &rgb, QSize canvasSize, const CurvesModel &curves,
                         const ConversionOptions &options)
{
    if (rgb.isNull() || canvasSize.isEmpty() ||
        rgb.size() != conversionSourceSize(options.mode, canvasSize))
        return {};
    QRgb palette[16];
    MetricPoint points[16];
    for (int i = 0; i < 16; ++i) {
        palette[i] = paletteRgb(options.paletteVariant, i);
        points[i] = metricPoint(qRed(palette[i]), qGreen(palette[i]), qBlue(palette[i]),
                                ColorMetric::Perceptual);
    }
    const bool perceptual = options.distance == ColorMetric::Perceptual;

    const int width = canvasSize.width(), height = canvasSize.height();
    std::vector<double> buffer = bufferOf(workingLevels(
        rgb, canvasSize, options.mode == CanvasMode::Multicolor, combinedTables(curves)));
    Colormap result(width, height);
    quint8 *bits = result.bits();
    const Kernel kernel = kernelOf(options.dither, options.mode);
    const Pattern pattern = patternOf(options.dither, options.mode);
    for (int y = 0; y < height; ++y) {
        double *row = buffer.data() + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x) {
            double *pixel = row + size_t(x) * 3;
            double r = pixel[0], g = pixel[1], b = pixel[2];
            if (!pattern.threshold.empty()) {
                const double t = (pattern.at(x, y) - 0.5) * 64.0;
                r += t;
                g += t;
                b += t;
            }
            r = clampChannel(r);
            g = clampChannel(g);
            b = clampChannel(b);
            auto distance = [&, p = perceptual ? metricPoint(r, g, b, ColorMetric::Perceptual)
                                               : MetricPoint{}](int c) {
                if (!perceptual)
                    return colorDistance(r, g, b, palette[c], options.distance);
                const MetricPoint &q = points[c];
                return (p.v[0] - q.v[0]) * (p.v[0] - q.v[0]) +
                       (p.v[1] - q.v[1]) * (p.v[1] - q.v[1]) +
                       (p.v[2] - q.v[2]) * (p.v[2] - q.v[2]);
            };
            int best = 0;
            double bestDistance = distance(0);
            for (int c = 1; c < 16; ++c) {
                const double d = distance(c);
                if (d < bestDistance) {
                    best = c;
                    bestDistance = d;
                }
            }
            if (!kernel.empty()) {
                const double error[3] = {r - qRed(palette[best]), g - qGreen(palette[best]),
                                         b - qBlue(palette[best])};
                diffuse(buffer.data(), width, height, x, y, error, kernel);
            }
            bits[size_t(y) * size_t(width) + size_t(x)] = quint8(best);
        }
    }
    return result;
}

namespace
{

// After the most-used sweep each pixel may change only among the colours its
// unit already shows, so no unit gains a colour and no border a sprite.
void refineWithinUnits(const RgbPicture &rgb, const CurvesModel &curves,
                       const ConversionOptions &options, const ClashContext &context,
                       Colormap &colormap)
{
    std::vector<quint16> allowed(size_t(colormap.width()) * size_t(colormap.height()));
    for (const ColorUnit &unit : colorUnits(context, colormap.size())) {
        quint16 mask = 0;
        for (int y = unit.rect.top(); y <= unit.rect.bottom(); ++y)
            for (int x = unit.rect.left(); x <= unit.rect.right(); ++x)
                mask |= quint16(1u << colormap.pixel(x, y));
        for (int y = unit.rect.top(); y <= unit.rect.bottom(); ++y)
            std::fill_n(allowed.begin() + qsizetype(y) * colormap.width() + unit.rect.left(),
                        unit.rect.width(), mask);
    }
    for (const QRect &locked : lockedRects(options.mode, colormap.size(), options.layout))
        for (int y = locked.top(); y <= locked.bottom(); ++y)
            for (int x = locked.left(); x <= locked.right(); ++x)
                allowed[size_t(y) * size_t(colormap.width()) + size_t(x)] = 0;
    const int wide = options.mode == CanvasMode::Multicolor ? 2 : 1;
    BlurMatchRefiner(screenPicture(rgb, combinedTables(curves)), rgb.size(), wide,
                     paletteOf(options.paletteVariant), options.distance)
        .refine(colormap, allowed, RefinePasses);
}

} // namespace

ConversionResult convertImage(const RgbPicture &source, QSize canvasSize, const CurvesModel &curves,
                              const ConversionOptions &options)
{
    ConversionResult result;
    result.slotBytes = options.slotBytes;
    if (options.method == ConversionMethod::MostUsed) {
        result.colormap = ditherToPalette(source, canvasSize, curves, options);
        if (result.colormap.isEmpty())
            return result;
        for (const QRect &locked : lockedRects(options.mode, canvasSize, options.layout))
            result.colormap.fillRect(locked, options.slotBytes[size_t(ColorSlot::Border)]);
        ClashContext context;
        context.mode = options.mode;
        context.slotBytes = options.slotBytes;
        context.layout = options.layout;
        context.paletteVariant = options.paletteVariant;
        resolveClashes(context, result.colormap, result.colormap.rect());
        if (options.dither == DitherKind::Refined)
            refineWithinUnits(source, curves, options, context, result.colormap);
        return result;
    }
    if (source.isNull() || canvasSize.isEmpty() ||
        source.size() != conversionSourceSize(options.mode, canvasSize))
        return result;
    const auto tables = combinedTables(curves);
    const std::vector<quint8> levels =
        workingLevels(source, canvasSize, options.mode == CanvasMode::Multicolor, tables);
    const std::vector<float> screen = options.dither == DitherKind::Refined
                                          ? screenPicture(source, tables)
                                          : std::vector<float>();
    return CellConverter(levels, canvasSize, options, screen).run();
}

Colormap convert(const RgbPicture &source, QSize canvasSize, const CurvesModel &curves,
                 const ConversionOptions &options)
{
    return convertImage(source, canvasSize, curves, options).colormap;
}
