#pragma once

#include <QWidget>
#include <cstdint>

class Project;

// The sixteen C64 colours as a strip of swatches in the document's palette
// variant. Left-click picks the primary colour, right-click the secondary;
// the primary swatch is framed, the secondary marked by a small square.
class PaletteWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)

public:
    explicit PaletteWidget(const Project &project, QWidget *parent = nullptr);

    uint8_t primaryIndex() const { return m_primary; }
    uint8_t secondaryIndex() const { return m_secondary; }
    // Indices of 16 or more are ignored.
    void setPrimaryIndex(uint8_t index);
    void setSecondaryIndex(uint8_t index);

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    // The column under x, or -1 outside the sixteen.
    int columnAt(double x) const;
    // The swatch of colour `index` in widget coordinates.
    QRectF swatchRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void primaryIndexSelected(uint8_t index);
    void secondaryIndexSelected(uint8_t index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    const Project &m_project;
    uint8_t m_primary = 1;
    uint8_t m_secondary = 0;
    double m_cornerRadius = 6.0;
};
