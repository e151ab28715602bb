#include "penstroke.h"

#include "document/history.h"
#include "document/project.h"

StrokeColors penColors(quint8 primary, quint8 secondary, bool right)
{
    return right ? StrokeColors{secondary, primary} : StrokeColors{primary, secondary};
}

StrokeColors eraserColors(const Project &project, quint8 secondary)
{
    const quint8 blank =
        project.mode() == CanvasMode::Multicolor ? project.slot(ColorSlot::Background) : secondary;
    return {blank, blank};
}

std::optional<QPoint> connectPointFor(std::optional<QPoint> pending, const History &history)
{
    return pending ? pending : history.lastConnectPoint();
}

void PenStroke::press(Project &project, const PenSettings &settings, const PenEvent &event,
                      StrokeColors colors, std::optional<QPoint> connectPoint)
{
    if (m_stroking)
        return;
    m_stroking = true;
    m_tabletStroke = event.tablet;
    m_colors = colors;
    m_changed = QRect();
    m_refusal.reset();
    // Copy-on-write: the snapshot costs nothing until the first paint.
    m_snapshot = project.colormap();
    m_pass.reset();
    m_pass.emplace(project, project.colormap(), &m_renderer.realCoverage());
    m_renderer.realCoverage().ensureSize(project.size());
    m_renderer.realCoverage().clear();
    m_connecting = false;
    m_pixelPerfect = false;
    m_filter.reset();
    if (event.shift && !event.ctrl && connectPoint) {
        m_connecting = true;
        m_connectFrom = *connectPoint;
        m_lastPixel = *connectPoint;
        return;
    }
    m_lastPixel = event.pixel;
    if (settings.brush.width == 1 && settings.brush.pixelPerfect &&
        !(m_tabletStroke && settings.pressureWidening)) {
        m_pixelPerfect = true;
        m_filter.start(event.pixel);
    }
}

PaintParams PenStroke::paintParams(const PenSettings &settings, const PenEvent &event) const
{
    PaintParams params;
    params.brush = settings.brush;
    const bool tablet = m_stroking ? m_tabletStroke : event.tablet;
    params.brush.width = effectiveBrushWidth(settings.brush.width, tablet,
                                             settings.pressureWidening, event.pressure);
    params.texture = settings.texture;
    params.textureMode = settings.textureMode;
    params.nibAngle = event.ctrl ? 0.0 : settings.viewRotation;
    params.transforms = settings.transforms;
    return params;
}

QRect PenStroke::paint(const PenSettings &settings, const PenEvent &event, QPoint from, QPoint to)
{
    if (!m_pass)
        return QRect();
    const QRect changed =
        m_renderer.paintSegment(*m_pass, paintParams(settings, event), from, to, m_colors);
    m_changed |= changed;
    if (!m_refusal)
        m_refusal = m_pass->refusal();
    return changed;
}

QRect PenStroke::move(Project &project, const PenSettings &settings, const PenEvent &event)
{
    Q_UNUSED(project);
    if (!m_stroking || m_connecting)
        return QRect();
    QRect changed;
    if (m_pixelPerfect) {
        for (QPoint p : m_filter.feed(event.pixel))
            changed |= paint(settings, event, p, p);
    } else {
        changed = paint(settings, event, m_lastPixel, event.pixel);
    }
    m_lastPixel = event.pixel;
    return changed;
}

StrokeCommit PenStroke::release(Project &project, const PenSettings &settings,
                                const PenEvent &event)
{
    if (!m_stroking)
        return {};
    QRect painted;
    if (m_connecting) {
        m_connecting = false;
        painted |= paint(settings, event, m_connectFrom, event.pixel);
    } else if (m_pixelPerfect) {
        for (QPoint p : m_filter.feed(event.pixel))
            painted |= paint(settings, event, p, p);
        for (QPoint p : m_filter.flush())
            painted |= paint(settings, event, p, p);
        m_pixelPerfect = false;
    } else if (event.pixel != m_lastPixel || m_changed.isEmpty()) {
        // A click without movement paints one dab.
        painted |= paint(settings, event, m_lastPixel, event.pixel);
    }
    m_lastPixel = event.pixel;
    m_stroking = false;
    StrokeCommit result = commit(project);
    result.releasePainted = painted;
    return result;
}

StrokeCommit PenStroke::commit(Project &project)
{
    StrokeCommit result;
    result.changed = m_changed;
    result.endPoint = m_lastPixel;
    if (!m_changed.isEmpty()) {
        HistoryNode node;
        node.kind = HistoryEntryKind::Stroke;
        node.hasConnectPoint = true;
        node.connectPoint = m_lastPixel;
        recordRegionChange(project, node, m_changed, m_snapshot.copy(m_changed));
        if (!node.changes.isEmpty()) {
            project.history().push(node);
            result.recorded = true;
        }
    }
    m_pass.reset();
    m_snapshot = Colormap();
    m_changed = QRect();
    return result;
}

void PenStroke::reset()
{
    m_pass.reset();
    m_snapshot = Colormap();
    m_changed = QRect();
    m_stroking = false;
    m_connecting = false;
    m_pixelPerfect = false;
    m_filter.reset();
}

std::optional<PenStroke::PreviewSegment>
PenStroke::previewSegment(const PenEvent &event, StrokeColors idleColors,
                          std::optional<QPoint> connectPoint) const
{
    if (m_stroking) {
        if (m_connecting)
            return PreviewSegment{m_connectFrom, event.pixel, m_colors};
        if (m_pixelPerfect && m_filter.hasPending())
            return PreviewSegment{m_filter.pending(), m_filter.pending(), m_colors};
        return std::nullopt;
    }
    if (event.shift && !event.ctrl && connectPoint)
        return PreviewSegment{*connectPoint, event.pixel, idleColors};
    return PreviewSegment{event.pixel, event.pixel, idleColors};
}

QRect PenStroke::renderPreview(const Project &project, Colormap &copy, const PenSettings &settings,
                               const PenEvent &event, StrokeColors idleColors,
                               std::optional<QPoint> connectPoint)
{
    const std::optional<PreviewSegment> segment = previewSegment(event, idleColors, connectPoint);
    if (!segment)
        return QRect();
    const PaintParams params = paintParams(settings, event);
    PaintPass pass(project, copy, &m_renderer.previewCoverage());
    m_renderer.previewCoverage().ensureSize(project.size());
    m_renderer.previewCoverage().clear();
    m_renderer.paintSegment(pass, params, segment->from, segment->to, segment->colors);
    return m_renderer.previewArea(project, params, segment->from, segment->to);
}
