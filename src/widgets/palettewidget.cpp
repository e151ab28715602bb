#include "palettewidget.h"

#include "canvas/toolcursors.h"
#include "document/palette.h"
#include "document/project.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace
{

constexpr int Columns = 16;

} // namespace

PaletteWidget::PaletteWidget(const Project &project, QWidget *parent)
    : QWidget(parent), m_project(project)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setCursor(ToolCursors::cursor(ToolCursors::Picker));
    setToolTip(tr("Left-click: primary color, right-click: secondary color"));
}

QSize PaletteWidget::sizeHint() const
{
    return QSize(384, 28);
}

QSize PaletteWidget::minimumSizeHint() const
{
    return QSize(192, 20);
}

void PaletteWidget::setPrimaryIndex(uint8_t index)
{
    if (index >= Columns || index == m_primary)
        return;
    m_primary = index;
    update();
}

void PaletteWidget::setSecondaryIndex(uint8_t index)
{
    if (index >= Columns || index == m_secondary)
        return;
    m_secondary = index;
    update();
}

void PaletteWidget::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

int PaletteWidget::columnAt(double x) const
{
    if (x < 0 || width() <= 0)
        return -1;
    const int column = int(std::floor(x / (double(width()) / Columns)));
    return column < Columns ? column : -1;
}

QRectF PaletteWidget::swatchRect(int index) const
{
    const double step = double(width()) / Columns;
    // Whole-pixel edges, so neighbouring swatches meet without a seam.
    const double left = std::round(index * step);
    const double right = std::round((index + 1) * step);
    return QRectF(left, 0, right - left, height());
}

void PaletteWidget::mousePressEvent(QMouseEvent *event)
{
    const int column = columnAt(event->position().x());
    if (column < 0 || column >= Columns)
        return;
    const auto index = uint8_t(column);
    if (event->button() == Qt::LeftButton) {
        setPrimaryIndex(index);
        emit primaryIndexSelected(index);
    } else if (event->button() == Qt::RightButton) {
        setSecondaryIndex(index);
        emit secondaryIndexSelected(index);
    }
}

void PaletteWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Antialiased one-pixel pens on half-pixel lines cover whole pixels.
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.setClipPath(outline);

    const PaletteVariant variant = m_project.paletteVariant();
    for (int i = 0; i < Columns; ++i)
        painter.fillRect(swatchRect(i), QColor::fromRgb(paletteRgb(variant, i)));

    // The secondary colour: a small square in its own colour near the
    // swatch's bottom right corner, ringed white and black so it reads on
    // any colour.
    const QRectF secondary = swatchRect(m_secondary);
    const QRectF mark(secondary.right() - 8, secondary.bottom() - 8, 6, 6);
    painter.fillRect(mark, QColor::fromRgb(paletteRgb(variant, m_secondary)));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.0));
    painter.drawRect(mark.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawRect(mark.adjusted(-1.5, -1.5, 1.5, 1.5));

    // The primary colour: three nested frames, black, white, black.
    const QRectF primary = swatchRect(m_primary);
    const QColor frames[3] = {Qt::black, Qt::white, Qt::black};
    for (int i = 0; i < 3; ++i) {
        const double inset = 0.5 + i;
        painter.setPen(QPen(frames[i], 1.0));
        painter.drawRect(primary.adjusted(inset, inset, -inset, -inset));
    }
}
