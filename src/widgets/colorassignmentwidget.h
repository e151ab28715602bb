#pragma once

#include "document/canvastypes.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QWidget>

class Project;
class QSvgRenderer;

// The colour slots the canvas shows (background, border, sprite colours),
// each a miniature screen in the colour it assigns with a marker of what it
// recolours. A click asks for the pen colour to be assigned to the slot.
class ColorAssignmentWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor screenEdge READ screenEdge WRITE setScreenEdge)
    Q_PROPERTY(double screenRadius READ screenRadius WRITE setScreenRadius)

public:
    using Slot = ColorSlot;
    static constexpr int SlotWidth = 46;
    static constexpr int SlotHeight = 29;

    explicit ColorAssignmentWidget(const Project &project, QWidget *parent = nullptr);

    QColor screenEdge() const { return m_screenEdge; }
    void setScreenEdge(const QColor &color);
    double screenRadius() const { return m_screenRadius; }
    void setScreenRadius(double radius);

    // The slots of the document's mode and layout, in bar order.
    QList<Slot> shownSlots() const;
    // The index into shownSlots() under x, or -1.
    int slotIndexAt(double x) const;
    QRect slotRect(int index) const;
    // After the document's mode or layout changed: the bar takes its new size.
    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void slotClicked(ColorAssignmentWidget::Slot slot, Qt::MouseButton button);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QSvgRenderer *marker(const QString &name);

    const Project &m_project;
    QHash<QString, QSvgRenderer *> m_markers;
    QColor m_screenEdge = QColor(208, 208, 208);
    double m_screenRadius = 6.0;
};
