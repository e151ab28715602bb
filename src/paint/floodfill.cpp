#include "floodfill.h"

#include "document/colormap.h"
#include "document/history.h"
#include "document/project.h"
#include "rules/clashrules.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{

int bytesPerPixel(const Project &project)
{
    return std::max(1, int(std::lround(project.view().pixelWidth())));
}

// The bounding rectangle of the marked pixels of `mask` inside `rect`.
QRect markedBounds(const QImage &mask, const QRect &rect, int pw)
{
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const uchar *row = mask.constScanLine(y);
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const uchar *m = row + x * pw;
            bool marked = false;
            for (int i = 0; i < pw && !marked; ++i)
                marked = m[i] != 0;
            if (!marked)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return left > right ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

QRect searchRegion(const Project &project, const Colormap &colormap, QPoint start, QImage &mask)
{
    const int w = colormap.width();
    const int h = colormap.height();
    const int pw = bytesPerPixel(project);
    if (mask.size() != QSize(w * pw, h) || mask.format() != QImage::Format_Alpha8 ||
        colormap.size() != project.size() || !colormap.rect().contains(start) ||
        project.isLocked(start.x(), start.y()))
        return QRect();
    mask.fill(0);
    const bool hasLocks = !project.lockedRects().isEmpty();
    const quint8 *pixels = colormap.constBits();
    uchar *bits = mask.bits();
    const qsizetype stride = mask.bytesPerLine();
    const quint8 target = pixels[qsizetype(start.y()) * w + start.x()];
    auto belongs = [&](int x, int y) {
        return pixels[qsizetype(y) * w + x] == target && !bits[y * stride + x * pw] &&
               !(hasLocks && project.isLocked(x, y));
    };

    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    std::vector<QPoint> stack{start};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        const int y = p.y();
        if (!belongs(p.x(), y))
            continue;
        int l = p.x(), r = p.x();
        while (l > 0 && belongs(l - 1, y))
            --l;
        while (r < w - 1 && belongs(r + 1, y))
            ++r;
        uchar *row = bits + y * stride;
        for (int x = l; x <= r; ++x)
            row[x * pw] = 255;
        left = std::min(left, l);
        right = std::max(right, r);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        for (int ny : {y - 1, y + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            bool inRun = false;
            for (int x = l; x <= r; ++x) {
                const bool b = belongs(x, ny);
                if (b && !inRun)
                    stack.push_back(QPoint(x, ny));
                inRun = b;
            }
        }
    }
    return left > right ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

bool FloodFill::isContour(const Project &project, bool ctrl)
{
    return ctrl && project.mode() == CanvasMode::Multicolor;
}

void FloodFill::ensureMasks(const Project &project)
{
    const QSize size = StrokeRenderer::maskSize(project);
    for (QImage *mask : {&m_region, &m_band}) {
        if (mask->size() != size || mask->format() != QImage::Format_Alpha8)
            *mask = QImage(size, QImage::Format_Alpha8);
    }
}

QRect FloodFill::fillFrom(PaintPass &pass, const Colormap &source, const FillSettings &settings,
                          QPoint start, StrokeColors colors, QRect *affected)
{
    if (affected)
        *affected = QRect();
    const Project &project = pass.project();
    if (!source.rect().contains(start))
        return QRect();
    const ClashContext context = ClashContext::forStroke(project, colors.stroke, false);
    if (wouldClash(context, source, start))
        return QRect();
    ensureMasks(project);
    const QRect region = searchRegion(project, source, start, m_region);
    if (region.isEmpty())
        return QRect();
    if (affected)
        *affected = region;
    // A fill never blends: its edge is the area's own edge.
    return m_renderer.paintMask(pass, m_region, region, colors, false, settings.texture,
                                settings.textureMode, nullptr);
}

QRect FloodFill::contourFrom(PaintPass &pass, const Colormap &source, const FillSettings &settings,
                             QPoint start, StrokeColors colors, QRect *affected)
{
    if (affected)
        *affected = QRect();
    const Project &project = pass.project();
    const bool antialiased = paintIsAntialiased(project, settings.brush) && pass.coverage();
    const QRect band =
        buildBand(project, source, start, settings.brush, settings.placement, antialiased);
    if (band.isEmpty())
        return QRect();
    if (affected)
        *affected = band;
    return m_renderer.paintMask(pass, m_band, band, colors, false, settings.texture,
                                settings.textureMode, antialiased ? pass.coverage() : nullptr);
}

void FloodFill::stampDabs(const Project &project, const PaintParams &params,
                          const QList<QPoint> &edges, bool antialiased)
{
    const int pw = bytesPerPixel(project);
    const QRect canvas = project.colormap().rect();
    const qsizetype bandStride = m_band.bytesPerLine();
    uchar *band = m_band.bits();
    // Keeps the larger coverage of the dab bytes at `shift` from the source.
    auto merge = [&](const uchar *src, qsizetype srcStride, const QRect &srcRect, QPoint shift) {
        const QRect dst = srcRect.translated(shift) & canvas;
        for (int y = dst.top(); y <= dst.bottom(); ++y) {
            const uchar *s = src + (y - shift.y()) * srcStride + (dst.left() - shift.x()) * pw;
            uchar *d = band + y * bandStride + dst.left() * pw;
            for (int i = 0; i < dst.width() * pw; ++i)
                d[i] = std::max(d[i], s[i]);
        }
    };
    const SymmetryTransform identity;
    // Every dab of an upright nib looks the same, so one dab rasterised away
    // from the canvas rim serves as the stamp for all edge pixels.
    const QPoint centre = canvas.center();
    const QRect stamp =
        m_renderer.rasterize(project, params, identity, centre, centre, antialiased);
    if (stamp.isEmpty())
        return;
    const bool clipped = stamp.left() == 0 || stamp.top() == 0 || stamp.right() == canvas.right() ||
                         stamp.bottom() == canvas.bottom();
    const QImage &nib = m_renderer.mask();
    if (!clipped) {
        const QImage dab =
            nib.copy(stamp.left() * pw, stamp.top(), stamp.width() * pw, stamp.height());
        const QRect local(QPoint(0, 0), stamp.size());
        const QPoint origin = stamp.topLeft() - centre;
        for (QPoint e : edges)
            merge(dab.constBits(), dab.bytesPerLine(), local, e + origin);
        return;
    }
    // A canvas smaller than the nib: rasterise each dab where it lies.
    for (QPoint e : edges) {
        const QRect r = m_renderer.rasterize(project, params, identity, e, e, antialiased);
        if (!r.isEmpty())
            merge(nib.constBits(), nib.bytesPerLine(), r, QPoint(0, 0));
    }
}

QRect FloodFill::buildBand(const Project &project, const Colormap &colormap, QPoint start,
                           const BrushSettings &brush, ContourPlacement placement, bool antialiased)
{
    ensureMasks(project);
    const QRect region = searchRegion(project, colormap, start, m_region);
    if (region.isEmpty())
        return QRect();
    const int pw = bytesPerPixel(project);
    const QRect canvas = colormap.rect();
    const uchar *regionBits = m_region.constBits();
    const qsizetype regionStride = m_region.bytesPerLine();
    auto inRegion = [&](int x, int y) { return regionBits[y * regionStride + x * pw] != 0; };

    // Edges look at the four neighbours inside the canvas only, so the
    // canvas rim never counts as an edge.
    const bool inside = placement == ContourPlacement::Inside;
    const QRect scan = inside ? region.adjusted(-1, -1, 1, 1) & canvas : region;
    QList<QPoint> edges;
    for (int y = scan.top(); y <= scan.bottom(); ++y) {
        for (int x = scan.left(); x <= scan.right(); ++x) {
            if (inRegion(x, y) == inside)
                continue;
            const QPoint neighbours[4] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (QPoint n : neighbours) {
                if (canvas.contains(n) && inRegion(n.x(), n.y()) == inside) {
                    edges.append(QPoint(x, y));
                    break;
                }
            }
        }
    }
    m_band.fill(0);
    if (edges.isEmpty())
        return QRect();

    // Outside and Inside keep only one side of a band centred on the edge,
    // so the nib doubles to give the band the brush's width on that side.
    const bool oneSided = placement != ContourPlacement::Center;
    PaintParams params;
    params.brush = brush;
    params.brush.pixelPerfect = false;
    if (oneSided && brush.width > 1)
        params.brush.width = std::min(2 * brush.width + 1, int(BrushSettings::MaxWidth));
    stampDabs(project, params, edges, antialiased);

    QRect bounds = markedBounds(m_band, canvas, pw);
    if (bounds.isEmpty())
        return QRect();
    uchar *band = m_band.bits();
    const qsizetype bandStride = m_band.bytesPerLine();
    if (oneSided && brush.width == 1) {
        // A one-pixel band grows by one step so that trimming leaves the
        // single 4-connected ring on the chosen side.
        const QImage before = m_band.copy();
        const qsizetype beforeStride = before.bytesPerLine();
        for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
            for (int x = bounds.left(); x <= bounds.right(); ++x) {
                if (!before.constBits()[y * beforeStride + x * pw])
                    continue;
                const QPoint neighbours[4] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
                for (QPoint n : neighbours) {
                    if (canvas.contains(n))
                        band[n.y() * bandStride + n.x() * pw] = 255;
                }
            }
        }
        bounds = bounds.adjusted(-1, -1, 1, 1) & canvas;
    }
    if (oneSided) {
        const bool keepRegion = inside;
        for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
            for (int x = bounds.left(); x <= bounds.right(); ++x) {
                if (inRegion(x, y) != keepRegion)
                    std::memset(band + y * bandStride + x * pw, 0, size_t(pw));
            }
        }
    }
    return markedBounds(m_band, bounds, pw);
}

QRect FloodFill::paintCopies(PaintPass &pass, const FillSettings &settings, QPoint pixel,
                             bool contour, StrokeColors colors, QRect *area)
{
    static const QList<SymmetryTransform> identityOnly = {SymmetryTransform()};
    const QList<SymmetryTransform> &copies =
        settings.transforms.isEmpty() ? identityOnly : settings.transforms;
    // Every copy finds its area on the canvas as it was before the click, so
    // a copy never floods or outlines what an earlier copy has just painted.
    // Copy-on-write: this costs nothing until the first copy paints.
    const Colormap source = pass.target();
    QRect changed;
    for (const SymmetryTransform &copy : copies) {
        // Each copy starts from its own mapped pixel; one that cannot start
        // leaves the others alone.
        const QPoint start = copy.mapPixel(pixel);
        QRect affected;
        changed |= contour ? contourFrom(pass, source, settings, start, colors, &affected)
                           : fillFrom(pass, source, settings, start, colors, &affected);
        if (area && !affected.isEmpty())
            *area |= StrokeRenderer::unitArea(pass.project(), affected);
    }
    return changed;
}

FillCommit FloodFill::apply(Project &project, const FillSettings &settings, QPoint pixel, bool ctrl,
                            StrokeColors colors)
{
    // Copy-on-write: the snapshot costs nothing until the first paint.
    const Colormap snapshot = project.colormap();
    FillCommit result;
    {
        PaintPass pass = m_renderer.beginEdit(project);
        result.changed =
            paintCopies(pass, settings, pixel, isContour(project, ctrl), colors, nullptr);
    }
    if (result.changed.isEmpty())
        return result;
    HistoryNode node;
    node.kind = HistoryEntryKind::Fill;
    recordRegionChange(project, node, result.changed, snapshot.copy(result.changed));
    if (!node.changes.isEmpty()) {
        project.history().push(node);
        result.recorded = true;
    }
    return result;
}

QRect FloodFill::renderPreview(const Project &project, Colormap &copy, const FillSettings &settings,
                               QPoint pixel, bool ctrl, StrokeColors colors)
{
    PaintPass pass = m_renderer.beginPreview(project, copy);
    QRect area;
    paintCopies(pass, settings, pixel, isContour(project, ctrl), colors, &area);
    return area & project.colormap().rect();
}
