#include "dashboardbar.h"

#include "dashboardbutton.h"
#include "dashboardseparator.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

DashboardBar::DashboardBar(QWidget *parent) : QWidget(parent)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(10, 5, 10, 5);
    m_layout->setSpacing(2);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    // Moves without a button held must stop here too, or the canvas below
    // would keep tracking the pointer through the bar.
    setMouseTracking(true);
}

void DashboardBar::setPillFill(const QColor &color)
{
    m_pillFill = color;
    update();
}

void DashboardBar::setPillEdge(const QColor &color)
{
    m_pillEdge = color;
    update();
}

void DashboardBar::setPillRadius(int radius)
{
    m_pillRadius = radius;
    update();
}

void DashboardBar::setPillOpacity(double opacity)
{
    m_pillOpacity = opacity;
    update();
}

void DashboardBar::setFlatBottom(bool flat)
{
    if (flat == m_flatBottom)
        return;
    m_flatBottom = flat;
    update();
}

DashboardButton *DashboardBar::newButton()
{
    auto *button = new DashboardButton(this);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(m_iconSize);
    button->setFocusPolicy(Qt::NoFocus);
    m_layout->addWidget(button);
    return button;
}

DashboardButton *DashboardBar::addAction(QAction *action)
{
    DashboardButton *button = newButton();
    button->setDefaultAction(action);
    return button;
}

DashboardButton *DashboardBar::addButton(const QIcon &icon, const QString &toolTip)
{
    DashboardButton *button = newButton();
    button->setIcon(icon);
    button->setToolTip(toolTip);
    return button;
}

DashboardSeparator *DashboardBar::addSeparator()
{
    auto *separator = new DashboardSeparator(this);
    m_layout->addWidget(separator);
    return separator;
}

void DashboardBar::addWidget(QWidget *widget, int stretch)
{
    m_layout->addWidget(widget, stretch);
}

void DashboardBar::addSpacing(int size)
{
    m_layout->addSpacing(size);
}

void DashboardBar::addStretch()
{
    m_layout->addStretch();
}

void DashboardBar::growVerticalMargins(int amount)
{
    QMargins margins = m_layout->contentsMargins();
    margins.setTop(margins.top() + amount);
    margins.setBottom(margins.bottom() + amount);
    m_layout->setContentsMargins(margins);
}

void DashboardBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_pillOpacity);
    painter.setPen(QPen(m_pillEdge, 1.0));
    painter.setBrush(m_pillFill);
    const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (!m_flatBottom) {
        painter.drawRoundedRect(pill, m_pillRadius, m_pillRadius);
        return;
    }
    // Rounded top corners, square bottom ones.
    const double r = std::min<double>(m_pillRadius, std::min(pill.width(), pill.height()) / 2);
    QPainterPath path;
    path.moveTo(pill.bottomLeft());
    path.lineTo(pill.left(), pill.top() + r);
    path.arcTo(QRectF(pill.left(), pill.top(), 2 * r, 2 * r), 180, -90);
    path.lineTo(pill.right() - r, pill.top());
    path.arcTo(QRectF(pill.right() - 2 * r, pill.top(), 2 * r, 2 * r), 90, -90);
    path.lineTo(pill.bottomRight());
    path.closeSubpath();
    painter.drawPath(path);
}

void DashboardBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void DashboardBar::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void DashboardBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void DashboardBar::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}
