#pragma once

#include <QColor>
#include <QIcon>
#include <QWidget>

class DashboardButton;
class DashboardSeparator;
class QAction;
class QHBoxLayout;

// A rounded, semi-transparent bar floating over the drawing area. It swallows
// every mouse event that reaches it, so no click on a bar falls through to
// the canvas beneath.
class DashboardBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor pillFill READ pillFill WRITE setPillFill)
    Q_PROPERTY(QColor pillEdge READ pillEdge WRITE setPillEdge)
    Q_PROPERTY(int pillRadius READ pillRadius WRITE setPillRadius)
    Q_PROPERTY(double pillOpacity READ pillOpacity WRITE setPillOpacity)

public:
    explicit DashboardBar(QWidget *parent = nullptr);

    QColor pillFill() const { return m_pillFill; }
    void setPillFill(const QColor &color);
    QColor pillEdge() const { return m_pillEdge; }
    void setPillEdge(const QColor &color);
    int pillRadius() const { return m_pillRadius; }
    void setPillRadius(int radius);
    double pillOpacity() const { return m_pillOpacity; }
    void setPillOpacity(double opacity);

    // A bar standing on another one keeps its bottom corners square.
    bool isFlatBottom() const { return m_flatBottom; }
    void setFlatBottom(bool flat);

    QSize iconSize() const { return m_iconSize; }
    QHBoxLayout *boxLayout() const { return m_layout; }

    // A button showing the action's icon only, at the bar's icon size.
    DashboardButton *addAction(QAction *action);
    DashboardButton *addButton(const QIcon &icon, const QString &toolTip);
    DashboardSeparator *addSeparator();
    void addWidget(QWidget *widget, int stretch = 0);
    void addSpacing(int size);
    void addStretch();
    // Adds to the top and bottom contents margins.
    void growVerticalMargins(int amount);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    DashboardButton *newButton();

    QColor m_pillFill = QColor(53, 53, 53);
    QColor m_pillEdge = QColor(38, 38, 38);
    int m_pillRadius = 12;
    double m_pillOpacity = 0.8;
    QHBoxLayout *m_layout = nullptr;
    QSize m_iconSize = QSize(20, 20);
    bool m_flatBottom = false;
};
