#include "strokerenderer.h"

#include "document/colormap.h"
#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

bool inSprite(const Project &project, QPoint p)
{
    for (const CanvasRegion &region : project.regions())
        if (region.rect.contains(p))
            return region.isSprite();
    return false;
}

int maskPixelWidth(const Project &project)
{
    return std::max(1, int(std::lround(project.view().pixelWidth())));
}

QSize maskSizeFor(const Project &project)
{
    return QSize(project.width() * maskPixelWidth(project), project.height());
}

// Takes display-unit points into the nib frame: mirrored copies flip Y,
// then the frame turns by the nib angle.
struct NibFrame {
    bool mirror = false;
    bool rotate = false;
    double cosA = 1.0, sinA = 0.0;

    void apply(double &x, double &y) const
    {
        if (mirror)
            y = -y;
        if (rotate) {
            const double rx = x * cosA - y * sinA;
            const double ry = x * sinA + y * cosA;
            x = rx;
            y = ry;
        }
    }
};

// The segment P0-P1 in the nib frame, with what the distance tests need.
struct Segment {
    double x0, y0, dx, dy, lengthSquared;

    // The point of the segment nearest to (sx, sy).
    void nearest(double sx, double sy, double &cx, double &cy) const
    {
        double t = 0.0;
        if (lengthSquared > 0.0)
            t = std::clamp(((sx - x0) * dx + (sy - y0) * dy) / lengthSquared, 0.0, 1.0);
        cx = x0 + t * dx;
        cy = y0 + t * dy;
    }

    // Whether some point of the segment lies within r of (sx, sy) along
    // both frame axes: the segment clipped against the square around it.
    bool withinSquare(double sx, double sy, double r) const
    {
        double t0 = 0.0, t1 = 1.0;
        const double p[2] = {x0, y0};
        const double d[2] = {dx, dy};
        const double lo[2] = {sx - r, sy - r};
        const double hi[2] = {sx + r, sy + r};
        for (int axis = 0; axis < 2; ++axis) {
            if (d[axis] == 0.0) {
                if (p[axis] < lo[axis] || p[axis] > hi[axis])
                    return false;
                continue;
            }
            double ta = (lo[axis] - p[axis]) / d[axis];
            double tb = (hi[axis] - p[axis]) / d[axis];
            if (ta > tb)
                std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            if (t0 > t1)
                return false;
        }
        return true;
    }
};

// A range of display x along a row of samples, narrowed by conditions
// linear in x.
struct Span {
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();

    bool isEmpty() const { return lo > hi; }
    // Keeps the x where f0 + x f1 lies within [min, max].
    void clip(double f0, double f1, double min, double max)
    {
        if (std::abs(f1) < 1e-12) {
            if (f0 < min || f0 > max)
                lo = 1.0, hi = 0.0;
            return;
        }
        double u0 = (min - f0) / f1, u1 = (max - f0) / f1;
        if (u0 > u1)
            std::swap(u0, u1);
        lo = std::max(lo, u0);
        hi = std::min(hi, u1);
    }
};

// The row of samples at row position sy, mapped into the nib frame: its
// origin and step, and the distances along and across the segment.
struct RowLine {
    double ox = 0.0, oy = 0.0, vx = 1.0, vy = 0.0;
    double length = 0.0, ex = 0.0, ey = 0.0;

    RowLine(const Segment &seg, const NibFrame &frame, double sy) : oy(sy)
    {
        frame.apply(ox, oy);
        frame.apply(vx, vy);
        length = std::sqrt(seg.lengthSquared);
        if (length > 0.0)
            ex = seg.dx / length, ey = seg.dy / length;
    }
    // Keeps the part of `span` in the band along the segment, at most
    // `across` from its line.
    void clipBand(const Segment &seg, double across, Span &span) const
    {
        const double px = ox - seg.x0, py = oy - seg.y0;
        span.clip(-ey * px + ex * py, -ey * vx + ex * vy, -across, across);
        span.clip(ex * px + ey * py, ex * vx + ey * vy, 0.0, length);
    }
};

// Where the row passes within rho of the segment: the range [lo, hi] of
// display x, false when it never does. The row meets the capsule (two discs
// and the band between) in one interval, as the capsule is convex.
bool capsuleSpan(const Segment &seg, const NibFrame &frame, double sy, double rho, double &lo,
                 double &hi)
{
    const RowLine line(seg, frame, sy);
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    const auto disc = [&](double cx, double cy) {
        const double px = line.ox - cx, py = line.oy - cy;
        const double b = line.vx * px + line.vy * py;
        const double d = b * b - (px * px + py * py - rho * rho);
        if (d < 0.0)
            return;
        const double root = std::sqrt(d);
        lo = std::min(lo, -b - root);
        hi = std::max(hi, -b + root);
    };
    disc(seg.x0, seg.y0);
    disc(seg.x0 + seg.dx, seg.y0 + seg.dy);
    if (line.length > 0.0) {
        Span band;
        line.clipBand(seg, rho, band);
        if (!band.isEmpty())
            lo = std::min(lo, band.lo), hi = std::max(hi, band.hi);
    }
    return lo <= hi;
}

// The same for a square nib, whose sample measures the larger axis
// distance to the nearest point of the segment: squares around the ends
// beyond them and, between them, a band whose width depends on the
// segment's direction. The pieces need not meet in one interval, so
// `inner` asks for one interval surely inside (the longest run of
// touching pieces), else the range around all of them is returned.
bool squareSpan(const Segment &seg, const NibFrame &frame, double sy, double rho, bool inner,
                double &lo, double &hi)
{
    const RowLine line(seg, frame, sy);
    Span pieces[3];
    int count = 0;
    for (const bool end : {false, true}) {
        const double cx = seg.x0 + (end ? seg.dx : 0.0), cy = seg.y0 + (end ? seg.dy : 0.0);
        Span square;
        square.clip(line.ox - cx, line.vx, -rho, rho);
        square.clip(line.oy - cy, line.vy, -rho, rho);
        if (line.length > 0.0) {
            const double px = line.ox - seg.x0, py = line.oy - seg.y0;
            const double along = line.ex * px + line.ey * py,
                         step = line.ex * line.vx + line.ey * line.vy;
            const double inf = std::numeric_limits<double>::infinity();
            if (end)
                square.clip(along, step, line.length, inf);
            else
                square.clip(along, step, -inf, 0.0);
        }
        if (!square.isEmpty())
            pieces[count++] = square;
    }
    if (line.length > 0.0) {
        Span band;
        line.clipBand(seg, rho / std::max(std::abs(line.ex), std::abs(line.ey)), band);
        if (!band.isEmpty())
            pieces[count++] = band;
    }
    if (count == 0)
        return false;
    std::sort(pieces, pieces + count, [](const Span &a, const Span &b) { return a.lo < b.lo; });
    Span run = pieces[0], best = pieces[0], hull = pieces[0];
    for (int k = 1; k < count; ++k) {
        hull.hi = std::max(hull.hi, pieces[k].hi);
        if (pieces[k].lo <= run.hi)
            run.hi = std::max(run.hi, pieces[k].hi);
        else
            run = pieces[k];
        if (run.hi - run.lo > best.hi - best.lo)
            best = run;
    }
    const Span &chosen = inner ? best : hull;
    lo = chosen.lo;
    hi = chosen.hi;
    return true;
}

// Where the row meets the square swept along the segment (every point
// within rho of some segment point along both frame axes): a hexagon, the
// intersection of the half-planes on its edge normals, the square's two
// axes and the segment's normal, so the row meets it in one interval.
bool sweptSquareSpan(const Segment &seg, const NibFrame &frame, double sy, double rho, double &lo,
                     double &hi)
{
    const RowLine line(seg, frame, sy);
    Span span;
    const double inf = std::numeric_limits<double>::infinity();
    const auto clipNormal = [&](double nx, double ny) {
        const double p0 = nx * seg.x0 + ny * seg.y0;
        const double p1 = p0 + nx * seg.dx + ny * seg.dy;
        const double reach = rho * (std::abs(nx) + std::abs(ny));
        span.clip(nx * line.ox + ny * line.oy, nx * line.vx + ny * line.vy,
                  std::min(p0, p1) - reach, std::max(p0, p1) + reach);
    };
    clipNormal(1.0, 0.0);
    clipNormal(0.0, 1.0);
    if (line.length > 0.0)
        clipNormal(-line.ey, line.ex);
    if (span.isEmpty() || !std::isfinite(span.lo) || !std::isfinite(span.hi)) {
        lo = inf, hi = -inf;
        return false;
    }
    lo = span.lo;
    hi = span.hi;
    return true;
}

// Sweeps a nib of radius r along the segment into the mask rows of
// `bounds`, keeping the larger value where the mask is already marked.
// Without anti-aliasing a covered pixel marks its first byte, or all its
// bytes when `fullBytes` (a hard line drawn into an anti-aliased mask).
void sweepRows(uchar *bits, qsizetype stride, int pw, const QRect &bounds, const Segment &seg,
               const NibFrame &frame, double r, bool square, bool antialiased, bool fullBytes,
               double pixelWidth, double aspect)
{
    const auto mark = [&](uchar *row, int x) {
        if (fullBytes)
            std::memset(row + x * pw, 255, size_t(pw));
        else
            row[x * pw] = 255;
    };
    auto toFrame = [&](double x, double y, double &fx, double &fy) {
        fx = x * pixelWidth;
        fy = y / aspect;
        frame.apply(fx, fy);
    };
    // Squared distances that are surely full (e > 1) or surely empty (e < 0)
    // on an anti-aliased nib, with a margin far above any rounding.
    constexpr double Margin = 1e-3;
    const double solidR = std::max(0.0, r - 0.5 - Margin);
    const double solid2 = solidR * solidR;
    const double empty2 = (r + 0.5 + Margin) * (r + 0.5 + Margin);
    const double inverseLength2 = seg.lengthSquared > 0.0 ? 1.0 / seg.lengthSquared : 0.0;

    // Per row, the display x range that is surely inside the nib and the one
    // outside which it is surely empty; only the samples between are measured.
    const double emptyRho = r + 0.5 + Margin;
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        uchar *row = bits + y * stride;
        double emptyLo = 0.0, emptyHi = -1.0, solidLo = 0.0, solidHi = -1.0;
        if (!antialiased) {
            // Samples at pixel centres: only those near the nib's outline
            // take the exact test, the run between is surely covered.
            const double sy = (y + 0.5) / aspect;
            const double outer = r + Margin, inner = r - Margin;
            const bool any = square ? sweptSquareSpan(seg, frame, sy, outer, emptyLo, emptyHi)
                                    : capsuleSpan(seg, frame, sy, outer, emptyLo, emptyHi);
            if (!any)
                continue;
            const bool anySolid =
                inner > 0.0 && (square ? sweptSquareSpan(seg, frame, sy, inner, solidLo, solidHi)
                                       : capsuleSpan(seg, frame, sy, inner, solidLo, solidHi));
            if (!anySolid)
                solidLo = 0.0, solidHi = -1.0;
            const int first =
                int(std::max(double(bounds.left()), std::ceil(emptyLo / pixelWidth - 0.5)));
            const int last =
                int(std::min(double(bounds.right()), std::floor(emptyHi / pixelWidth - 0.5)));
            for (int x = first; x <= last; ++x) {
                const double centre = (x + 0.5) * pixelWidth;
                if (centre > solidLo && centre < solidHi) {
                    mark(row, x);
                    continue;
                }
                double sx, sy;
                toFrame(x + 0.5, y + 0.5, sx, sy);
                bool covered;
                if (square) {
                    covered = seg.withinSquare(sx, sy, r);
                } else {
                    double cx, cy;
                    seg.nearest(sx, sy, cx, cy);
                    covered = (sx - cx) * (sx - cx) + (sy - cy) * (sy - cy) <= r * r;
                }
                if (covered)
                    mark(row, x);
            }
            continue;
        }
        const double sy = (y + 0.5) / aspect;
        const bool anyEmpty = square ? squareSpan(seg, frame, sy, emptyRho, false, emptyLo, emptyHi)
                                     : capsuleSpan(seg, frame, sy, emptyRho, emptyLo, emptyHi);
        if (!anyEmpty)
            continue; // the row stays cleared
        const bool anySolid =
            solidR > 0.0 && (square ? squareSpan(seg, frame, sy, solidR, true, solidLo, solidHi)
                                    : capsuleSpan(seg, frame, sy, solidR, solidLo, solidHi));
        if (!anySolid)
            solidLo = 0.0, solidHi = -1.0;
        // Sample k of the row sits at display x k + 0.5 when a pixel is a
        // whole number of samples wide; only the samples between the spans'
        // ends are visited.
        const bool wholeSamples = pixelWidth == pw;
        int firstSample = bounds.left() * pw, lastSample = bounds.right() * pw + pw - 1;
        if (wholeSamples) {
            firstSample = int(std::max(double(firstSample), std::ceil(emptyLo - 0.5)));
            lastSample = int(std::min(double(lastSample), std::floor(emptyHi - 0.5)));
        }
        for (int k = firstSample; k <= lastSample; ++k) {
            double sx = wholeSamples ? k + 0.5 : (k / pw) * pixelWidth + (k % pw) + 0.5;
            if (sx < emptyLo || sx > emptyHi)
                continue; // cleared above
            if (sx > solidLo && sx < solidHi) {
                row[k] = 255;
                continue;
            }
            double sy = (y + 0.5) / aspect;
            frame.apply(sx, sy);
            // A quick distance (a multiplication for the division)
            // settles the samples well inside or well outside the nib;
            // only the rim takes the exact distance below.
            const double t = std::clamp(
                ((sx - seg.x0) * seg.dx + (sy - seg.y0) * seg.dy) * inverseLength2, 0.0, 1.0);
            const double qx = std::abs(sx - seg.x0 - t * seg.dx);
            const double qy = std::abs(sy - seg.y0 - t * seg.dy);
            const double quick = square ? std::max(qx, qy) * std::max(qx, qy) : qx * qx + qy * qy;
            if (quick < solid2) {
                row[k] = 255;
                continue;
            }
            if (quick > empty2)
                continue;
            double cx, cy;
            seg.nearest(sx, sy, cx, cy);
            const double d = square ? std::max(std::abs(sx - cx), std::abs(sy - cy))
                                    : std::sqrt((sx - cx) * (sx - cx) + (sy - cy) * (sy - cy));
            const double e = r + 0.5 - d;
            uchar byte = 0;
            if (e > 1.0)
                byte = 255;
            else if (e >= 0.0)
                byte = uchar(std::round(255.0 * e));
            row[k] = std::max(row[k], byte);
        }
    }
}

// The width-1 line between two pixels: n = max(|dx|, |dy|) steps, one pixel
// per step along the longer axis.
template <typename Visit> void walkLine(QPoint a, QPoint b, Visit visit)
{
    const int dx = b.x() - a.x();
    const int dy = b.y() - a.y();
    const int n = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i <= n; ++i) {
        const int x = n == 0 ? a.x() : a.x() + int(std::round(double(i) / n * dx));
        const int y = n == 0 ? a.y() : a.y() + int(std::round(double(i) / n * dy));
        visit(x, y);
    }
}

// Marks the width-1 line from a to b and makes the footprint one 8-connected
// set around it: within a row the marked pixels are closed into one run, so
// the rows the line crosses all hang on the line; every row beyond the
// line's ends is joined to its neighbour nearer the line, by the fewest
// pixels that make the two runs touch. With `joined` the footprint is known
// to be connected around the line and only the line is marked.
void joinToLine(uchar *bits, qsizetype stride, int pw, const QRect &bounds, QPoint a, QPoint b,
                bool fullBytes, bool joined, std::vector<int> &lo, std::vector<int> &hi)
{
    const auto pixel = [&](int x, int y) { return bits + y * stride + x * pw; };
    const auto mark = [&](int x, int y) {
        if (fullBytes)
            std::memset(pixel(x, y), 255, size_t(pw));
        else
            pixel(x, y)[0] = 255;
    };
    // A hard mask marks only a pixel's first byte; an anti-aliased one any.
    const int bytes = fullBytes ? pw : 1;
    const auto marked = [&](int x, int y) {
        const uchar *m = pixel(x, y);
        for (int i = 0; i < bytes; ++i)
            if (m[i])
                return true;
        return false;
    };
    walkLine(a, b, [&](int x, int y) {
        if (bounds.contains(x, y))
            mark(x, y);
    });

    if (joined)
        return;
    const int rows = bounds.height();
    lo.assign(size_t(rows), 0);
    hi.assign(size_t(rows), -1);
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        int first = bounds.left();
        while (first <= bounds.right() && !marked(first, y))
            ++first;
        if (first > bounds.right())
            continue;
        int last = bounds.right();
        while (!marked(last, y))
            --last;
        for (int x = first + 1; x < last; ++x)
            if (!marked(x, y))
                mark(x, y);
        lo[size_t(y - bounds.top())] = first;
        hi[size_t(y - bounds.top())] = last;
    }

    const int lineTop = std::max(std::min(a.y(), b.y()), bounds.top());
    const int lineBottom = std::min(std::max(a.y(), b.y()), bounds.bottom());
    if (lineTop > lineBottom)
        return; // the line lies off the canvas
    // Joins row y to row `near`; false once nothing lies beyond.
    const auto join = [&](int y, int near, int step) {
        const size_t i = size_t(y - bounds.top()), n = size_t(near - bounds.top());
        if (lo[n] > hi[n])
            return false;
        if (lo[i] > hi[i]) {
            int z = y + step;
            while (z >= bounds.top() && z <= bounds.bottom() &&
                   lo[size_t(z - bounds.top())] > hi[size_t(z - bounds.top())])
                z += step;
            if (z < bounds.top() || z > bounds.bottom())
                return false;
            const int x = std::clamp(lo[size_t(z - bounds.top())], lo[n], hi[n]);
            mark(x, y);
            lo[i] = hi[i] = x;
        } else if (hi[i] < lo[n] - 1) {
            for (int x = hi[i] + 1; x < lo[n]; ++x)
                mark(x, y);
            hi[i] = lo[n] - 1;
        } else if (lo[i] > hi[n] + 1) {
            for (int x = hi[n] + 1; x < lo[i]; ++x)
                mark(x, y);
            lo[i] = hi[n] + 1;
        }
        return true;
    };
    for (int y = lineTop - 1; y >= bounds.top() && join(y, y + 1, -1); --y) {
    }
    for (int y = lineBottom + 1; y <= bounds.bottom() && join(y, y - 1, 1); ++y) {
    }
}

} // namespace

bool paintIsAntialiased(const Project &project, const BrushSettings &brush)
{
    return brush.antialiased && brush.width >= 2 && project.mode() == CanvasMode::Multicolor;
}

PaintPass::PaintPass(const Project &project, Colormap &target, AntialiasCoverage *coverage)
    : m_project(project), m_target(target), m_coverage(coverage),
      m_context(ClashContext::forStroke(project, 0, false))
{
    if (project.layout() == CanvasLayout::TopBottomBorderSprites &&
        project.spriteCountPolicy() == SpriteCountPolicy::Enforce)
        m_budget.emplace(m_context, m_target, SpriteCountPolicy::Enforce);
}

void StrokeRenderer::prepare(const Project &project)
{
    const QSize size = maskSizeFor(project);
    if (m_mask.size() != size || m_mask.format() != QImage::Format_Alpha8) {
        m_mask = QImage(size, QImage::Format_Alpha8);
        m_mask.fill(0);
    }
    m_realCoverage.ensureSize(project.size());
    m_previewCoverage.ensureSize(project.size());
    m_realCoverage.clear();
    m_previewCoverage.clear();
}

PaintPass StrokeRenderer::beginEdit(Project &project)
{
    m_realCoverage.ensureSize(project.size());
    m_realCoverage.clear();
    return PaintPass(project, project.colormap(), &m_realCoverage);
}

PaintPass StrokeRenderer::beginPreview(const Project &project, Colormap &copy)
{
    m_previewCoverage.ensureSize(project.size());
    m_previewCoverage.clear();
    return PaintPass(project, copy, &m_previewCoverage);
}

QRect StrokeRenderer::footprintRect(const Project &project, int width, BrushShape shape, QPoint a,
                                    QPoint b)
{
    const int grow = (shape == BrushShape::Square ? int(std::ceil(width * 0.7072)) : width / 2) + 2;
    // Rows are 1 / aspect display units tall, so a taller-than-wide display
    // pixel would need more rows; the aspects in use are at most 1.
    const int growY = int(std::ceil(grow * std::max(1.0, project.view().displayAspect())));
    const QRect segment = QRect(a, b).normalized();
    return segment.adjusted(-grow, -growY, grow, growY) & project.colormap().rect();
}

QRect StrokeRenderer::rasterize(const Project &project, const PaintParams &params,
                                const SymmetryTransform &copy, QPoint from, QPoint to,
                                bool antialiased)
{
    if (m_mask.size() != maskSizeFor(project) || project.colormap().isEmpty())
        return QRect();
    const int width = qBound(BrushSettings::MinWidth, params.brush.width, BrushSettings::MaxWidth);
    const NibOffset offset =
        nibCentringOffset(width, project.view().pixelWidth(), project.view().displayAspect());
    const QPoint a = copy.mapPixel(from, offset.x, offset.y);
    const QPoint b = copy.mapPixel(to, offset.x, offset.y);

    if (width == 1 && params.brush.pixelPerfect) {
        const QRect bounds = footprintRect(project, width, BrushShape::Round, a, b);
        if (bounds.isEmpty())
            return QRect();
        const int pw = maskPixelWidth(project);
        clearMask(m_mask, bounds, pw);
        uchar *bits = m_mask.bits();
        const qsizetype stride = m_mask.bytesPerLine();
        walkLine(a, b, [&](int x, int y) {
            if (bounds.contains(x, y))
                bits[y * stride + x * pw] = 255;
        });
        return bounds;
    }
    NibSweep nib;
    nib.width = width;
    nib.shape = params.brush.shape;
    nib.mirrored = copy.mirrored;
    nib.angle = params.nibAngle + (copy.mirrored ? copy.angle : -copy.angle);
    return sweep(project, nib, QPointF(a.x() + offset.x, a.y() + offset.y),
                 QPointF(b.x() + offset.x, b.y() + offset.y), a, b, antialiased);
}

QRect StrokeRenderer::sweep(const Project &project, const NibSweep &nib, QPointF p0, QPointF p1,
                            QPoint a, QPoint b, bool antialiased)
{
    if (project.colormap().isEmpty())
        return QRect();
    if (m_mask.size() != maskSizeFor(project) || m_mask.format() != QImage::Format_Alpha8) {
        m_mask = QImage(maskSizeFor(project), QImage::Format_Alpha8);
        m_mask.fill(0);
    }
    const int width = qBound(BrushSettings::MinWidth, nib.width, BrushSettings::MaxWidth);
    const int pw = maskPixelWidth(project);
    const double pixelWidth = project.view().pixelWidth();
    const double aspect = project.view().displayAspect();
    const BrushShape shape = width == 1 ? BrushShape::Round : nib.shape;
    const QRect bounds = footprintRect(project, width, shape, a, b);
    if (bounds.isEmpty())
        return QRect();

    clearMask(m_mask, bounds, pw);
    uchar *bits = m_mask.bits();
    const qsizetype stride = m_mask.bytesPerLine();

    NibFrame frame;
    if (width > 1) {
        frame.mirror = nib.mirrored;
        // Angles are taken modulo a full turn so that 360 counts as upright.
        const double turned = std::remainder(nib.angle, 360.0);
        if (std::abs(turned) > 1e-12) {
            frame.rotate = true;
            const double rad = turned * M_PI / 180.0;
            frame.cosA = std::cos(rad);
            frame.sinA = std::sin(rad);
        }
    }
    const auto segment = [&](const NibFrame &f, QPointF from, QPointF to) {
        double x0 = from.x() * pixelWidth, y0 = from.y() / aspect;
        double x1 = to.x() * pixelWidth, y1 = to.y() / aspect;
        f.apply(x0, y0);
        f.apply(x1, y1);
        return Segment{x0, y0, x1 - x0, y1 - y0, (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0)};
    };
    sweepRows(bits, stride, pw, bounds, segment(frame, p0, p1), frame, width / 2.0 + 1e-6,
              shape == BrushShape::Square, antialiased, false, pixelWidth, aspect);
    // A wider nib paints at least what the one-pixel pen paints between the
    // same pixels, whatever its centring, shape and turn. From width 8 its
    // solid core holds that line anyway (the centring, or a shape's end point
    // anywhere in its pixel, moves the nib at most 2.4 display units off the
    // pixel centres), so only narrower nibs take the extra pass.
    if (width > 1 && width < 8) {
        const NibFrame upright;
        const QPointF centre(0.5, 0.5);
        // Half a display unit reaches at most the next row.
        const QRect rows = QRect(QPoint(bounds.left(), std::min(a.y(), b.y()) - 1),
                                 QPoint(bounds.right(), std::max(a.y(), b.y()) + 1)) &
                           bounds;
        sweepRows(bits, stride, pw, rows, segment(upright, a + centre, b + centre), upright,
                  0.5 + 1e-6, false, false, antialiased, pixelWidth, aspect);
    }
    // A nib from width 8 is a convex footprint at least 8 display units thick
    // around the line, so its rows already overlap their neighbours and hold
    // the line: only narrower nibs need the joining.
    joinToLine(bits, stride, pw, bounds, a, b, antialiased, width >= 8, m_rowLo, m_rowHi);
    return bounds;
}

QRect StrokeRenderer::paintSegment(PaintPass &pass, const PaintParams &params, QPoint from,
                                   QPoint to, StrokeColors colors)
{
    const Project &project = pass.project();
    const bool antialiased = paintIsAntialiased(project, params.brush) && pass.coverage();
    AntialiasCoverage *coverage = antialiased ? pass.coverage() : nullptr;
    if (coverage) {
        coverage->ensureSize(project.size());
        m_mixTable.ensure(project.paletteVariant());
    }
    static const QList<SymmetryTransform> identityOnly = {SymmetryTransform()};
    const QList<SymmetryTransform> &copies =
        params.transforms.isEmpty() ? identityOnly : params.transforms;
    const bool singlePixel = params.brush.width <= 1;
    QRect changed;
    for (const SymmetryTransform &copy : copies) {
        const QRect bounds = rasterize(project, params, copy, from, to, antialiased);
        if (bounds.isEmpty())
            continue;
        pass.m_footprint |= bounds;
        changed |= paintMask(pass, bounds, colors, singlePixel, params.texture, params.textureMode,
                             coverage);
    }
    return changed;
}

void StrokeRenderer::clearMask(QImage &mask, const QRect &rect, int pixelWidth)
{
    uchar *bits = mask.bits();
    const qsizetype stride = mask.bytesPerLine();
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        std::memset(bits + y * stride + rect.left() * pixelWidth, 0,
                    size_t(rect.width() * pixelWidth));
}

QSize StrokeRenderer::maskSize(const Project &project)
{
    return maskSizeFor(project);
}

QRect StrokeRenderer::paintMask(PaintPass &pass, const QImage &mask, const QRect &bounds,
                                StrokeColors colors, bool singlePixel, const Texture &texture,
                                TextureMode mode, AntialiasCoverage *coverage)
{
    const Project &project = pass.project();
    Colormap &target = pass.target();
    const QRect rect = bounds & target.rect();
    if (rect.isEmpty() || mask.size() != maskSizeFor(project) ||
        mask.format() != QImage::Format_Alpha8 || target.size() != project.size())
        return QRect();
    if (coverage) {
        coverage->ensureSize(project.size());
        m_mixTable.ensure(project.paletteVariant());
    }

    const int pw = maskPixelWidth(project);
    const Colormap before = target.copy(rect);
    const bool textured = !texture.isSolid();
    const bool twoColor = textured && mode == TextureMode::TwoColor;
    const bool hasLocks = !project.lockedRects().isEmpty();
    SpriteBudgetState *budget = pass.budget();
    ClashContext strokeContext = ClashContext::forStroke(project, colors.stroke, singlePixel);
    ClashContext otherContext = ClashContext::forStroke(project, colors.other, singlePixel);

    const uchar *maskBits = mask.constBits();
    const qsizetype maskStride = mask.bytesPerLine();
    quint8 *pixels = target.bits();
    const int canvasWidth = target.width();
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;

    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const uchar *maskRow = maskBits + y * maskStride;
        quint8 *row = pixels + qsizetype(y) * canvasWidth;
        const quint16 textureRow = texture.row(y);
        const quint8 *coverageRow = coverage ? coverage->row(y) : nullptr;
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const uchar *m = maskRow + x * pw;
            int k;
            if (pw == 1) {
                k = m[0];
            } else if (pw == 2) {
                k = coverage ? (m[0] + m[1] + 1) >> 1 : m[0] | m[1];
            } else {
                int sum = 0, any = 0;
                for (int i = 0; i < pw; ++i)
                    sum += m[i], any |= m[i];
                k = coverage ? (sum + pw / 2) / pw : any;
            }
            if (k == 0)
                continue;
            if (hasLocks && project.isLocked(x, y)) {
                if (!pass.m_refusal)
                    pass.m_refusal =
                        PaintRefusal{PaintRefusal::LockedPixel, QPoint(x, y), colors.stroke};
                continue;
            }
            quint8 color = colors.stroke;
            bool isOther = false;
            if (textured && !((textureRow >> (x & 15)) & 1u)) {
                if (!twoColor)
                    continue;
                color = colors.other;
                isOther = true;
            }
            // Once full, a pixel takes the stroke's colour whatever comes later.
            if (coverage && coverageRow[x] != 255) {
                quint8 highest = 0, under = 0;
                coverage->touch(x, y, quint8(k), row[x], highest, under);
                color = m_mixTable.mix(color, under, highest);
            }
            const QPoint p(x, y);
            if (budget && budget->blocked(p, color)) {
                if (!pass.m_refusal)
                    pass.m_refusal = PaintRefusal{PaintRefusal::SpriteBudget, p, color};
                continue;
            }
            if (singlePixel && wouldClash(isOther ? otherContext : strokeContext, target, p)) {
                if (!pass.m_refusal && inSprite(project, p))
                    pass.m_refusal = PaintRefusal{PaintRefusal::SpriteColor, p, color};
                continue;
            }
            if (row[x] != color) {
                row[x] = color;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
            if (budget)
                budget->markPainted(p, color);
        }
    }
    if (left > right)
        return QRect();

    QRect changed(QPoint(left, top), QPoint(right, bottom));
    if (coverage) {
        changed |= resolveClashes(strokeContext, target, rect);
    } else {
        changed |= resolveStrokeClashes(strokeContext, target, before, rect);
        if (twoColor)
            changed |= resolveClashes(strokeContext, target, rect);
    }
    pass.m_changed |= changed;
    return changed;
}

QRect StrokeRenderer::unitArea(const Project &project, const QRect &footprint)
{
    return unitRectsTouching(footprint, project.mode(), project.size(), project.layoutSpec());
}

QRect StrokeRenderer::previewArea(const Project &project, const PaintParams &params, QPoint from,
                                  QPoint to) const
{
    static const QList<SymmetryTransform> identityOnly = {SymmetryTransform()};
    const QList<SymmetryTransform> &copies =
        params.transforms.isEmpty() ? identityOnly : params.transforms;
    const int width = qBound(BrushSettings::MinWidth, params.brush.width, BrushSettings::MaxWidth);
    const NibOffset offset =
        nibCentringOffset(width, project.view().pixelWidth(), project.view().displayAspect());
    const BrushShape shape = width == 1 ? BrushShape::Round : params.brush.shape;
    QRect area;
    for (const SymmetryTransform &copy : copies) {
        const QRect footprint =
            footprintRect(project, width, shape, copy.mapPixel(from, offset.x, offset.y),
                          copy.mapPixel(to, offset.x, offset.y));
        if (!footprint.isEmpty())
            area |= unitArea(project, footprint);
    }
    return area;
}

namespace
{

QString colorName(quint8 index)
{
    static const char *const names[16] = {QT_TRANSLATE_NOOP("StrokeRenderer", "black"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "white"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "red"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "cyan"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "purple"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "green"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "blue"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "yellow"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "orange"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "brown"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "light red"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "dark grey"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "grey"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "light green"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "light blue"),
                                          QT_TRANSLATE_NOOP("StrokeRenderer", "light grey")};
    return QCoreApplication::translate("StrokeRenderer", names[index & 15]);
}

QString trStroke(const char *text)
{
    return QCoreApplication::translate("StrokeRenderer", text);
}

// "a, b or c".
QString colorList(const QList<quint8> &colors)
{
    QStringList names;
    for (quint8 c : colors)
        names << colorName(c);
    if (names.size() < 2)
        return names.join(QString());
    const QString last = names.takeLast();
    return trStroke("%1 or %2").arg(names.join(QStringLiteral(", ")), last);
}

QString unitName(const CanvasRegion &region, const SpriteGrid &grid, QPoint p)
{
    const int column = spriteColumnAt(grid, p.x());
    switch (region.kind) {
    case RegionKind::TopBorder:
        return trStroke("the top border sprite in column %1").arg(column);
    case RegionKind::BottomBorder:
        return trStroke("the bottom border sprite in column %1").arg(column);
    case RegionKind::LeftStrip:
        return trStroke("the left border sprite %1 in row %2")
            .arg(column)
            .arg(spriteColorRowAt(grid, p.y()));
    default:
        return trStroke("the right border sprite %1 in row %2")
            .arg(column + 2)
            .arg(spriteColorRowAt(grid, p.y()));
    }
}

} // namespace

QString PaintRefusal::explain(const Project &project) const
{
    const QString at = QStringLiteral("(%1, %2)").arg(pixel.x()).arg(pixel.y());
    if (reason == LockedPixel)
        return trStroke("Nothing painted at %1: this pixel lies outside the part of the side "
                        "border the C64 can show and always keeps the border colour.")
            .arg(at);
    for (const CanvasRegion &region : project.regions()) {
        if (!region.rect.contains(pixel) || !region.isSprite())
            continue;
        if (reason == SpriteBudget)
            return trStroke("Nothing painted at %1: the %2 border already shows 8 sprites, the "
                            "most the C64 can. Paint in the columns that are already in use.")
                .arg(at,
                     region.kind == RegionKind::TopBorder ? trStroke("top") : trStroke("bottom"));
        const ClashContext context = ClashContext::forStroke(project, color, true);
        const quint16 commons = commonColorMask(context, region.kind);
        const SpriteGrid grid = spriteGridOf(region, project.mode(), project.layoutSpec());
        const QRect unit =
            spriteRect(grid, spriteColumnAt(grid, pixel.x()), spriteColorRowAt(grid, pixel.y())) &
            project.colormap().rect();
        // The unit's own colour: the one colour besides the shared ones.
        int own = -1;
        for (int y = unit.top(); y <= unit.bottom() && own < 0; ++y)
            for (int x = unit.left(); x <= unit.right(); ++x) {
                const quint8 c = project.colormap().pixel(x, y);
                if (!((commons >> c) & 1u)) {
                    own = c;
                    break;
                }
            }
        QList<quint8> allowed;
        for (int c = 0; c < 16; ++c)
            if ((commons >> c) & 1u)
                allowed << quint8(c);
        if (own >= 0)
            allowed << quint8(own);
        return trStroke("Nothing painted in %1 at %2: it already has its own colour %3 and can "
                        "take only %4, not %5.")
            .arg(unitName(region, grid, pixel), at, colorName(quint8(std::max(own, 0))),
                 colorList(allowed), colorName(color));
    }
    return QString();
}
