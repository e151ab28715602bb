#include "drawtool.h"

#include "artworkimage.h"
#include "toolenvironment.h"

#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/paintsettings.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

DrawTool::DrawTool(ToolEnvironment *environment)
    : CanvasTool(environment), m_stroke(environment->strokeRenderer())
{
}

DrawTool::~DrawTool() = default;

void DrawTool::activate()
{
    refreshCursor();
    refreshPreviews();
}

quint8 DrawTool::strokeColor(bool right) const
{
    return penColors(penIndex(), secondaryIndex(), right).stroke;
}

quint8 DrawTool::otherColor(bool right) const
{
    return penColors(penIndex(), secondaryIndex(), right).other;
}

PenSettings DrawTool::penSettings() const
{
    const PaintSettings &c = settings();
    const ViewTransform &v = view();
    PenSettings s;
    s.brush = c.brushSettings();
    s.texture = c.texture();
    s.textureMode = c.textureMode();
    s.pressureWidening = c.pressureWidening();
    s.viewRotation = v.rotation();
    s.transforms =
        c.symmetry().strokeTransforms(int(std::lround(v.pixelWidth())), v.displayAspect());
    return s;
}

PenEvent DrawTool::penEvent(QPoint pixel, Qt::KeyboardModifiers modifiers) const
{
    PenEvent e;
    e.pixel = pixel;
    e.tablet = isTabletActive();
    e.pressure = tabletPressure();
    e.shift = modifiers & Qt::ShiftModifier;
    e.ctrl = modifiers & Qt::ControlModifier;
    return e;
}

bool DrawTool::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return false;
    // Other buttons are ignored until this press ends.
    if (isStroking() || m_sampling)
        return true;
    // The other pen-like tool's stroke survived a tool switch; let it finish.
    if (env()->penStrokeInProgress())
        return false;
    const bool right = button == Qt::RightButton;
    const QPoint pixel = env()->canvasPixelAt(event->position());
    if (event->modifiers() & Qt::AltModifier) {
        m_sampling = true;
        m_samplingButton = button;
        sampleColorAt(pixel, right);
        refreshCursor();
        return true;
    }
    m_strokeButton = button;
    m_refusalReported = false;
    setPressedButton(button);
    Project &p = project();
    m_stroke.press(p, penSettings(), penEvent(pixel, event->modifiers()), colorsFor(right),
                   connectPointFor(env()->connectPoint(), p.history()));
    return true;
}

bool DrawTool::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pixel = env()->canvasPixelAt(event->position());
    if (m_sampling) {
        if (!(event->buttons() & m_samplingButton))
            return false;
        sampleColorAt(pixel, m_samplingButton == Qt::RightButton);
        return true;
    }
    if (!isStroking() || !(event->buttons() & m_strokeButton))
        return false;
    const QRect changed =
        m_stroke.move(project(), penSettings(), penEvent(pixel, event->modifiers()));
    env()->refreshImageRegion(changed);
    reportRefusal();
    return true;
}

bool DrawTool::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_sampling) {
        if (event->button() == m_samplingButton) {
            m_sampling = false;
            m_samplingButton = Qt::NoButton;
            refreshCursor();
        }
        return true;
    }
    if (!isStroking())
        return false;
    if (event->button() != m_strokeButton)
        return true;
    const QPoint pixel = env()->canvasPixelAt(event->position());
    setPressedButton(Qt::NoButton);
    m_strokeButton = Qt::NoButton;
    endStroke(m_stroke.release(project(), penSettings(), penEvent(pixel, event->modifiers())));
    return true;
}

void DrawTool::reportRefusal()
{
    // Once per stroke: the first pixel it had to leave out says why.
    if (m_refusalReported || !m_stroke.refusal())
        return;
    m_refusalReported = true;
    env()->reportNote(m_stroke.refusal()->explain(project()));
}

void DrawTool::endStroke(const StrokeCommit &commit)
{
    env()->refreshImageRegion(commit.releasePainted);
    reportRefusal();
    // A recorded stroke leaves its end point in the history node, so undo and
    // redo move the Shift line's start with it; one that recorded nothing
    // keeps it pending on the canvas.
    std::optional<QPoint> pending = commit.endPoint;
    if (commit.recorded)
        pending.reset();
    env()->setConnectPoint(pending);
    if (commit.recorded)
        emitHistoryChanged();
    refreshCursor();
}

void DrawTool::resetStroke()
{
    m_stroke.reset();
    m_strokeButton = Qt::NoButton;
    m_sampling = false;
    m_samplingButton = Qt::NoButton;
    setPressedButton(Qt::NoButton);
    clearPreview();
}

bool DrawTool::previewAllowed() const
{
    const ToolEnvironment *c = env();
    return c->isActiveTool(this) && c->isHoverValid() && !c->isGestureUnderWay() &&
           !c->isAltHeld() && !m_sampling;
}

void DrawTool::clearPreview()
{
    m_previewArea = QRect();
    m_previewImage = QImage();
}

QRect DrawTool::updatePreview()
{
    clearPreview();
    if (!previewAllowed())
        return QRect();
    const ToolEnvironment *c = env();
    const Project &p = project();
    PenEvent e = penEvent(c->hoverPixel(), Qt::NoModifier);
    e.shift = c->isShiftHeld();
    e.ctrl = c->isCtrlHeld();
    // C held shows what the right button would paint.
    const StrokeColors idle = colorsFor(c->isSwapPreview());
    m_previewMap = p.colormap();
    const QRect area = m_stroke.renderPreview(p, m_previewMap, penSettings(), e, idle,
                                              connectPointFor(c->connectPoint(), p.history()));
    const QRect shown = area & p.colormap().rect();
    if (!shown.isEmpty()) {
        m_previewArea = shown;
        m_previewImage = artworkImage(m_previewMap.copy(shown), p.paletteVariant(),
                                      std::max(1, int(std::lround(view().pixelWidth()))));
    }
    // Keep no second colormap alive between pointer moves.
    m_previewMap = Colormap();
    return m_previewArea;
}

void DrawTool::paintPreview(QPainter &painter)
{
    if (m_previewArea.isEmpty() || m_previewImage.isNull())
        return;
    painter.drawImage(QRectF(m_previewArea), m_previewImage);
}
