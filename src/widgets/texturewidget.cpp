#include "texturewidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cmath>

TextureWidget::TextureWidget(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(tr("Paint texture: white cells paint the stroke's color;\nblack cells paint the "
                  "other color or stay untouched\n(Options → Two-Color Texture / Texture "
                  "Stencil).\nRight-click a pattern to select its negative."));
}

QSize TextureWidget::sizeHint() const
{
    return QSize(std::max<int>(int(m_textures.size()), 1) * SlotSize, SlotSize);
}

QSize TextureWidget::minimumSizeHint() const
{
    return sizeHint();
}

void TextureWidget::setTextures(const QList<Texture> &textures, const QList<QImage> &swatches)
{
    m_textures = textures;
    m_swatches = swatches;
    m_selected = 0;
    m_negative = false;
    updateGeometry();
    update();
    if (!m_textures.isEmpty())
        emit textureSelected(m_textures.constFirst());
}

Texture TextureWidget::selectedTexture() const
{
    if (m_selected < 0 || m_selected >= m_textures.size())
        return Texture::solid();
    const Texture &texture = m_textures.at(m_selected);
    return m_negative ? texture.negative() : texture;
}

int TextureWidget::slotAt(double x) const
{
    const auto count = int(m_textures.size());
    if (x < 0 || width() <= 0 || count == 0)
        return -1;
    const int slot = int(std::floor(count * x / width()));
    return slot < count ? slot : -1;
}

QRect TextureWidget::slotRect(int index) const
{
    const auto count = std::max<int>(int(m_textures.size()), 1);
    const int left = index * width() / count;
    return QRect(left, 0, (index + 1) * width() / count - left, height());
}

void TextureWidget::select(int index, bool negative)
{
    m_selected = index;
    m_negative = negative;
    update();
    emit textureSelected(selectedTexture());
}

void TextureWidget::mousePressEvent(QMouseEvent *event)
{
    const int slot = slotAt(event->position().x());
    if (slot < 0)
        return;
    if (event->button() == Qt::RightButton) {
        // The solid pen has no negative worth painting with: it is the pen itself.
        const bool negative = !m_textures.at(slot).isSolid();
        if (slot == m_selected && negative == m_negative)
            return;
        select(slot, negative);
    } else if (event->button() == Qt::LeftButton) {
        if (slot == m_selected && !m_negative)
            return;
        select(slot, false);
    }
}

void TextureWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto count = int(m_textures.size());
    for (int i = 0; i < count; ++i) {
        const QRect slot = slotRect(i);
        if (i >= m_swatches.size())
            continue;
        QImage swatch = m_swatches.at(i);
        if (i == m_selected && m_negative)
            swatch.invertPixels();
        // The pattern tiles the slot at its own size, as it tiles the canvas.
        painter.drawTiledPixmap(slot, QPixmap::fromImage(swatch));
    }
    if (m_selected < 0 || m_selected >= count)
        return;
    const QRectF selected = slotRect(m_selected);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor frames[3] = {Qt::black, Qt::white, Qt::black};
    for (int i = 0; i < 3; ++i) {
        const double inset = 0.5 + i;
        painter.setPen(QPen(frames[i], 1.0));
        painter.drawRect(selected.adjusted(inset, inset, -inset, -inset));
    }
}
