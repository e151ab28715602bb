#pragma once

#include <QColor>
#include <QWidget>

// A thin vertical line between groups of dashboard controls. Its width is
// always leftGap + lineWidth + rightGap; negative values count as 0.
class DashboardSeparator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor lineColor READ lineColor WRITE setLineColor)
    Q_PROPERTY(int lineWidth READ lineWidth WRITE setLineWidth)
    Q_PROPERTY(int verticalInset READ verticalInset WRITE setVerticalInset)
    Q_PROPERTY(int leftGap READ leftGap WRITE setLeftGap)
    Q_PROPERTY(int rightGap READ rightGap WRITE setRightGap)

public:
    explicit DashboardSeparator(QWidget *parent = nullptr);

    QColor lineColor() const { return m_lineColor; }
    void setLineColor(const QColor &color);
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int width);
    int verticalInset() const { return m_verticalInset; }
    void setVerticalInset(int inset);
    int leftGap() const { return m_leftGap; }
    void setLeftGap(int gap);
    int rightGap() const { return m_rightGap; }
    void setRightGap(int gap);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setMeasure(int &field, int value);
    void changed();

    QColor m_lineColor = QColor(255, 255, 255, 60);
    int m_lineWidth = 1;
    int m_verticalInset = 3;
    int m_leftGap = 4;
    int m_rightGap = 13;
};
