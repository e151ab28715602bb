#pragma once

#include "paint/texture.h"

#include <QImage>
#include <QList>
#include <QWidget>

// The paint textures of the current mode, one small swatch each; slot 0 is
// the solid pen. A left click picks a pattern as drawn, a right click its
// negative (the solid pen has none).
class TextureWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int SlotSize = 22;

    explicit TextureWidget(QWidget *parent = nullptr);

    // Starts again from slot 0, not negative, and reports it.
    void setTextures(const QList<Texture> &textures, const QList<QImage> &swatches);
    const QList<Texture> &textures() const { return m_textures; }
    int selectedIndex() const { return m_selected; }
    bool isNegative() const { return m_negative; }
    // What a stroke paints with now.
    Texture selectedTexture() const;
    // The slot under x, or -1 outside the list.
    int slotAt(double x) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void textureSelected(Texture texture);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void select(int index, bool negative);
    QRect slotRect(int index) const;

    QList<Texture> m_textures;
    QList<QImage> m_swatches;
    int m_selected = 0;
    bool m_negative = false;
};
