#include "dashboardbutton.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOptionToolButton>
#include <QStylePainter>

DashboardButton::DashboardButton(QWidget *parent) : QToolButton(parent) {}

void DashboardButton::setInactiveIconColor(const QColor &color)
{
    if (color == m_inactiveColor)
        return;
    m_inactiveColor = color;
    m_tintsValid = false;
    update();
}

void DashboardButton::setActiveIconColor(const QColor &color)
{
    if (color == m_activeColor)
        return;
    m_activeColor = color;
    m_tintsValid = false;
    update();
}

QIcon DashboardButton::tinted(const QIcon &icon, QSize size, const QColor &color)
{
    QIcon result;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap = icon.pixmap(size, ratio);
        if (pixmap.isNull())
            continue;
        QPainter painter(&pixmap);
        // Keeps the icon's coverage and replaces its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize()), color);
        painter.end();
        result.addPixmap(pixmap, QIcon::Normal, QIcon::Off);
        result.addPixmap(pixmap, QIcon::Normal, QIcon::On);
    }
    return result;
}

void DashboardButton::refreshTints() const
{
    const QIcon base = icon();
    if (m_tintsValid && base.cacheKey() == m_tintedKey && iconSize() == m_tintedSize)
        return;
    m_inactiveTinted = m_inactiveColor.isValid() ? tinted(base, iconSize(), m_inactiveColor) : base;
    m_activeTinted = m_activeColor.isValid() ? tinted(base, iconSize(), m_activeColor) : base;
    m_tintedKey = base.cacheKey();
    m_tintedSize = iconSize();
    m_tintsValid = true;
}

QIcon DashboardButton::paintedIcon() const
{
    if (!m_inactiveColor.isValid() && !m_activeColor.isValid())
        return icon();
    refreshTints();
    return isChecked() ? m_activeTinted : m_inactiveTinted;
}

void DashboardButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.icon = paintedIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}
