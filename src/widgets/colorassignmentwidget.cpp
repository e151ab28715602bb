#include "colorassignmentwidget.h"

#include "dashboardicons.h"

#include "canvas/toolcursors.h"
#include "document/colorslotinfo.h"
#include "document/palette.h"
#include "document/project.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolTip>
#include <cmath>

ColorAssignmentWidget::ColorAssignmentWidget(const Project &project, QWidget *parent)
    : QWidget(parent), m_project(project)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setCursor(ToolCursors::cursor(ToolCursors::Fill));
}

void ColorAssignmentWidget::setScreenEdge(const QColor &color)
{
    m_screenEdge = color;
    update();
}

void ColorAssignmentWidget::setScreenRadius(double radius)
{
    m_screenRadius = radius;
    update();
}

QList<ColorAssignmentWidget::Slot> ColorAssignmentWidget::shownSlots() const
{
    return m_project.visibleSlots();
}

QSize ColorAssignmentWidget::sizeHint() const
{
    return QSize(SlotWidth * int(shownSlots().size()), SlotHeight);
}

QSize ColorAssignmentWidget::minimumSizeHint() const
{
    return sizeHint();
}

void ColorAssignmentWidget::refresh()
{
    updateGeometry();
    update();
}

int ColorAssignmentWidget::slotIndexAt(double x) const
{
    const auto count = int(shownSlots().size());
    if (x < 0 || width() <= 0 || count == 0)
        return -1;
    const int index = int(std::floor(count * x / width()));
    return index < count ? index : -1;
}

QRect ColorAssignmentWidget::slotRect(int index) const
{
    const auto count = std::max<int>(int(shownSlots().size()), 1);
    const int left = index * width() / count;
    return QRect(left, 0, (index + 1) * width() / count - left, height());
}

void ColorAssignmentWidget::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    const int index = slotIndexAt(event->position().x());
    if (index < 0)
        return;
    emit slotClicked(shownSlots().at(index), button);
}

bool ColorAssignmentWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = slotIndexAt(help->pos().x());
        if (index < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const Slot slot = shownSlots().at(index);
        QToolTip::showText(help->globalPos(),
                           ColorSlotInfo::toolTip(slot, m_project.layoutSpec().layout), this,
                           slotRect(index));
        return true;
    }
    return QWidget::event(event);
}

QSvgRenderer *ColorAssignmentWidget::marker(const QString &name)
{
    QSvgRenderer *&renderer = m_markers[name];
    if (!renderer)
        renderer = new QSvgRenderer(DashboardIcons::path(name), this);
    return renderer;
}

void ColorAssignmentWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<Slot> slotList = shownSlots();
    const CanvasLayout layout = m_project.layoutSpec().layout;
    for (int i = 0; i < slotList.size(); ++i) {
        const Slot slot = slotList.at(i);
        const QRectF screen = QRectF(slotRect(i)).adjusted(2.5, 2.5, -2.5, -2.5);
        painter.setPen(QPen(m_screenEdge, 1.0));
        painter.setBrush(
            QColor::fromRgb(paletteRgb(m_project.paletteVariant(), m_project.slot(slot))));
        painter.drawRoundedRect(screen, m_screenRadius, m_screenRadius);

        // The marker of what the slot recolours, drawn square in the middle.
        QSvgRenderer *renderer = marker(ColorSlotInfo::iconName(slot, layout));
        if (!renderer->isValid())
            continue;
        const double side = screen.height() - 2;
        renderer->render(&painter, QRectF(screen.center().x() - side / 2,
                                          screen.center().y() - side / 2, side, side));
    }
}
