#include "conversionpreviewwidget.h"

#include "document/geometry.h"
#include "document/project.h"

#include <QPainter>

ConversionPreviewWidget::ConversionPreviewWidget(const Project &project, QWidget *parent)
    : QWidget(parent), m_project(project)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ConversionPreviewWidget::setResult(const Colormap &result)
{
    m_result = result;
    update();
}

QRect ConversionPreviewWidget::pictureRect() const
{
    return m_project.hasBorderFrame()
               ? borderFrameRect(m_project.mode(), m_project.size(), m_project.layoutSpec())
               : QRect(QPoint(0, 0), m_project.size());
}

QTransform ConversionPreviewWidget::pictureTransform() const
{
    const QRect picture = pictureRect();
    const double pixelWidth = modePixelWidth(m_project.mode());
    const double scale =
        std::min(width() / (picture.width() * pixelWidth), double(height()) / picture.height());
    const double left = (width() - picture.width() * pixelWidth * scale) / 2.0;
    const double top = (height() - picture.height() * scale) / 2.0;
    return QTransform::fromTranslate(-picture.left(), -picture.top()) *
           QTransform::fromScale(pixelWidth * scale, scale) * QTransform::fromTranslate(left, top);
}

void ConversionPreviewWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setTransform(pictureTransform());
    const PaletteVariant variant = m_project.paletteVariant();
    if (m_project.hasBorderFrame())
        painter.fillRect(pictureRect(),
                         QColor::fromRgb(paletteRgb(variant, m_project.frameColor())));
    if (m_result.size() == m_project.size())
        painter.drawImage(QPoint(0, 0), m_result.toImage(variant));
    const ReferenceGrid grid =
        referenceGrid(m_project.mode(), m_project.size(), m_project.layoutSpec(),
                      m_project.screensAcross(), QRectF(pictureRect()));
    QPen pen(QColor(96, 96, 96), 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLines(grid.lines);
    for (const QPolygonF &bracket : grid.brackets)
        painter.drawPolyline(bracket);
    if (m_project.screensAcross() > 1) {
        pen.setColor(QColor(160, 160, 160));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.drawLines(grid.seams);
    }
}
