#include "dashboardseparator.h"

#include <QPainter>

DashboardSeparator::DashboardSeparator(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    changed();
}

void DashboardSeparator::setLineColor(const QColor &color)
{
    if (color == m_lineColor)
        return;
    m_lineColor = color;
    changed();
}

void DashboardSeparator::setMeasure(int &field, int value)
{
    value = std::max(value, 0);
    if (value == field)
        return;
    field = value;
    changed();
}

void DashboardSeparator::setLineWidth(int width)
{
    setMeasure(m_lineWidth, width);
}

void DashboardSeparator::setVerticalInset(int inset)
{
    setMeasure(m_verticalInset, inset);
}

void DashboardSeparator::setLeftGap(int gap)
{
    setMeasure(m_leftGap, gap);
}

void DashboardSeparator::setRightGap(int gap)
{
    setMeasure(m_rightGap, gap);
}

void DashboardSeparator::changed()
{
    setFixedWidth(m_leftGap + m_lineWidth + m_rightGap);
    update();
}

void DashboardSeparator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(m_leftGap, m_verticalInset, m_lineWidth, height() - 2 * m_verticalInset),
                     m_lineColor);
}
