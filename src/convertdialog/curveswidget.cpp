#include "curveswidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace
{

const QColor ChannelColors[CurvesModel::ChannelCount] = {QColor(200, 200, 200), QColor(230, 64, 64),
                                                         QColor(64, 192, 64), QColor(96, 96, 230)};
const QColor HistogramTints[3] = {QColor(150, 30, 30), QColor(30, 130, 30), QColor(30, 30, 150)};

} // namespace

CurvesWidget::CurvesWidget(QWidget *parent) : QWidget(parent)
{
    setToolTip(tr("Adjustment curve for the selected channel.\nLeft-click adds a point, drag moves "
                  "it; drag a point off the widget and release to remove it.\nThe end points move "
                  "vertically only."));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CurvesWidget::setHistogram(const ImageHistogram &histogram)
{
    m_histogram = histogram;
    update();
}

QRect CurvesWidget::plotRect() const
{
    const int side = std::max(2, std::min(width(), height()) - 12);
    const int bottom = height() - 6;
    return QRect(6, bottom - side + 1, side, side);
}

QPointF CurvesWidget::widgetPoint(QPoint curvePoint) const
{
    const QRect plot = plotRect();
    const double span = plot.width() - 1;
    return QPointF(plot.left() + curvePoint.x() * span / 255.0,
                   plot.bottom() - curvePoint.y() * span / 255.0);
}

QPoint CurvesWidget::curvePoint(QPointF widgetPoint) const
{
    const QRect plot = plotRect();
    const double span = plot.width() - 1;
    return QPoint(int(std::lround((widgetPoint.x() - plot.left()) * 255.0 / span)),
                  int(std::lround((plot.bottom() - widgetPoint.y()) * 255.0 / span)));
}

void CurvesWidget::setChannel(int channel)
{
    if (channel < 0 || channel >= CurvesModel::ChannelCount || channel == m_channel)
        return;
    m_channel = channel;
    m_dragged = -1;
    update();
}

void CurvesWidget::setLogarithmicScale(bool logarithmic)
{
    m_logarithmic = logarithmic;
    update();
}

void CurvesWidget::resetCurves()
{
    m_curves.reset();
    m_dragged = -1;
    update();
    emit curvesChanged();
}

int CurvesWidget::pointAt(QPointF position) const
{
    const QList<QPoint> &points = m_curves.points(m_channel);
    for (int i = 0; i < points.size(); ++i) {
        const QPointF p = widgetPoint(points[i]);
        if (std::abs(p.x() - position.x()) <= 5.5 && std::abs(p.y() - position.y()) <= 5.5)
            return i;
    }
    return -1;
}

void CurvesWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragged = pointAt(event->position());
    if (m_dragged < 0) {
        const QPoint value = curvePoint(event->position());
        m_dragged = m_curves.addPoint(m_channel, value.x(), value.y(), Gap);
        if (m_dragged >= 0)
            emit curvesChanged();
    }
    update();
}

void CurvesWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_dragged < 0)
        return;
    const QPoint value = curvePoint(event->position());
    if (m_curves.movePoint(m_channel, m_dragged, value.x(), value.y(), Gap)) {
        update();
        emit curvesChanged();
    }
}

void CurvesWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int dragged = std::exchange(m_dragged, -1);
    if (dragged >= 0 && !rect().contains(event->position().toPoint()) &&
        m_curves.removePoint(m_channel, dragged))
        emit curvesChanged();
    update();
}

double CurvesWidget::scaled(double fraction) const
{
    const double maximum = m_histogram.maximum();
    if (!m_logarithmic || maximum <= 0)
        return fraction;
    return std::log(1.0 + fraction * maximum) / std::log(1.0 + maximum);
}

void CurvesWidget::paintHistogram(QPainter &painter) const
{
    const double maximum = m_histogram.maximum();
    if (maximum <= 0)
        return;
    const QRect plot = plotRect();
    const double span = plot.width() - 1;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.setPen(Qt::NoPen);
    for (int c = 0; c < 3; ++c) {
        QPolygonF area;
        area << QPointF(plot.left(), plot.bottom() + 1);
        for (int v = 0; v < 256; ++v)
            area << QPointF(plot.left() + v * span / 255.0,
                            plot.bottom() + 1 - scaled(m_histogram.counts(c)[v] / maximum) * span);
        area << QPointF(plot.left() + span, plot.bottom() + 1);
        painter.setBrush(HistogramTints[c]);
        painter.drawPolygon(area);
    }
    painter.restore();
}

void CurvesWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect plot = plotRect();
    const double span = plot.width() - 1;
    painter.fillRect(plot, QColor(40, 40, 40));
    painter.setPen(QColor(70, 70, 70));
    for (int q = 1; q < 4; ++q) {
        const double x = plot.left() + q * span / 4.0;
        const double y = plot.bottom() - scaled(q / 4.0) * span;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    paintHistogram(painter);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));

    painter.setRenderHint(QPainter::Antialiasing);
    auto drawCurve = [&](int channel, int alpha, double penWidth) {
        QPolygonF line;
        for (int x = 0; x < 256; ++x)
            line << widgetPoint(QPoint(x, m_curves.value(channel, x)));
        QColor color = ChannelColors[channel];
        color.setAlpha(alpha);
        painter.setPen(QPen(color, penWidth));
        painter.drawPolyline(line);
    };
    for (int channel = 0; channel < CurvesModel::ChannelCount; ++channel)
        if (channel != m_channel)
            drawCurve(channel, 110, 1.0);
    drawCurve(m_channel, 255, 1.5);

    painter.setRenderHint(QPainter::Antialiasing, false);
    const QList<QPoint> &points = m_curves.points(m_channel);
    for (int i = 0; i < points.size(); ++i) {
        const QPoint centre = widgetPoint(points[i]).toPoint();
        const QRect square(centre.x() - 3, centre.y() - 3, 7, 7);
        if (i == m_dragged) {
            painter.fillRect(square, ChannelColors[m_channel]);
        } else {
            painter.setPen(ChannelColors[m_channel]);
            painter.drawRect(square.adjusted(0, 0, -1, -1));
        }
    }
}
